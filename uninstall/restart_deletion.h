// Deleting a file or folder at the next start of Windows, for what is in use until then (the
// uninstaller's temporary copy). The NT family has MoveFileEx for it; Windows 95, 98 and ME read
// the [rename] section of WININIT.INI in the Windows folder before they start, with lines
// "NUL=<path>" for deletions. That is done in real mode, so the path must be the short (8.3) form,
// and only files can be deleted that way, no folders.
#pragma once
#include <string>

inline constexpr const char* kWininitName = "WININIT.INI";

// The file's text with the line "NUL=" + short_path added at the end of its [rename] section, or
// with that section added at the end when it has none. Everything else stays as it was: the file
// is no ordinary settings file (one key, NUL, may occur many times), so it is not left to the
// system's settings-file calls.
std::string wininit_with_deletion(const std::string& text, const std::string& short_path);

// What the uninstaller's temporary copy may leave for deletion at the next restart: its own
// folder copy_folder, when that is a copy folder of the temp folder temp, the program in it, or
// the program moved out beside it (copy_folder + ".exe"). Nothing else: the command line that
// names the copy's folder may come from anyone, and a deletion at restart asks nobody.
bool is_copy_leftover(const std::string& path, const std::string& copy_folder,
                      const std::string& temp);

// Win32. Schedules the deletion, by the Windows family; false when it cannot be scheduled (on
// the 95 family for every folder).
bool delete_at_restart(const std::string& path, bool is_folder);
// delete_at_restart for what is_copy_leftover admits, and false for anything else.
bool delete_copy_at_restart(const std::string& path, bool is_folder, const std::string& copy_folder,
                            const std::string& temp);
// The 95 family's way, on any Windows: adds the file's short path to WININIT.INI.
bool add_wininit_deletion(const std::string& file);
