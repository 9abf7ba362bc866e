// Start-up and the recorded-installation check.
#pragma once
#include <cstdint>
#include <string>

// The whole run: start-up steps 1 to 12. Never returns.
[[noreturn]] void installer_main(void* module_handle);

// What an earlier installation recorded in the registry means for this run.
enum class RecordedVersion { kNone, kOlder, kSame, kNewer };

// Platform-free: the recorded version number's text against the installer's own number. A
// missing value (read failed) is kNone; text without digits reads as 0, an older version.
RecordedVersion compare_recorded_version(bool value_read, const std::string& recorded_text,
                                         int32_t own_number);
// Whether the text of a recorded program_path can name an installation to update: an absolute
// local path ("C:\\…", one final backslash allowed) of at least one plain folder name below the
// drive. Whether the folder holds the authoring tool is asked of the system.
bool is_recorded_folder_text(const std::string& text);
// The texts of the two start-up stops.
std::string same_version_message(const std::string& version_text);
std::string newer_version_message(const std::string& recorded_version,
                                  const std::string& version_text);
inline constexpr const char* kSameVersionTitle = "Bereits installiert!";
inline constexpr const char* kNewerVersionTitle = "Bessere Version vorhanden!";

// Win32, the start-up steps one by one (installer_main runs them in order; tests run them alone).
void reset_session(void* module_handle); // steps 1, 2 and 4
void propose_target_folder();            // step 5
// Step 9: reads the record; fills target_folder/existing_install from program_path, and for a
// newer version leaves in recorded_version what the message names. program_path counts only as
// a text value naming an existing folder that holds the authoring tool: an update goes into the
// recorded folder only when an installation is there.
RecordedVersion read_recorded_installation(std::string& recorded_version);
