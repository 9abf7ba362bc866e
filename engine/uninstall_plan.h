// The uninstaller's reading of Uninstall.txt: which line asks for which removal, and what the user
// is told afterwards. Platform-free; the removals themselves are in uninstall_run_win32.cpp.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum class UninstallAction { kSkip, kDeleteFile, kDeleteFolder, kDeleteRegKey, kDeleteRegValue };

// One line of the log, understood. Registry paths lie below HKEY_LOCAL_MACHINE and are kept
// without a final backslash; value_name is set for kDeleteRegValue only.
struct UninstallStep {
    UninstallAction action = UninstallAction::kSkip;
    std::string path;
    std::string value_name;
};

enum class StepOutcome {
    kRemoved,
    kAlreadyGone, // nothing to do: counts as removed
    kNotEmpty,    // a folder or key that still holds things the installation did not make
    kFailed,      // in use, access denied, …
};

struct StepResult {
    UninstallStep step;
    StepOutcome outcome = StepOutcome::kRemoved;
};

// Longest file or folder path the ANSI file calls accept (MAX_PATH without its zero).
inline constexpr size_t kMaxFilePath = 259;
inline constexpr size_t kMaxRegKeyPath = 512;
inline constexpr size_t kMaxRegValueName = 16383;
// A log is a few kilobytes; anything near this size is not one of ours.
inline constexpr size_t kMaxLogBytes = 16u << 20;

inline constexpr const char* kUninstallTitle = "Kavento-Deinstallation";
inline constexpr const char* kUninstallQuestion =
    "Möchten Sie die Programme Kavento-Producer und Kavento-Player und alle ihre Komponenten "
    "entfernen?";
inline constexpr const char* kUninstallSuccess =
    "Kavento-Producer und Kavento-Player wurden erfolgreich entfernt.";
inline constexpr const char* kUninstallErrorTitle = "Fehler";
// How many leftovers the report names before it only counts the rest: a message box taller than
// the screen hides its own OK button.
inline constexpr size_t kReportListLimit = 12;

// Lines end at CR LF, a lone CR or a lone LF; a final line without its end still counts. Empty
// lines are kept (as empty texts) so that nothing after them is lost.
std::vector<std::string> split_log_lines(const std::string& text);

// A line whose tag is one of the four with an action and whose argument is a well-formed path of
// that kind; everything else (unknown tags, the pack file's "*Delete File: ", empty lines, bytes
// that no path holds) becomes kSkip.
UninstallStep classify_log_line(const std::string& line);

// An absolute local ("C:\…") or network ("\\server\share\…") path of at least one component below
// the root, without "." or ".." components, wildcards, control bytes or a final backslash.
bool is_removable_file_path(const std::string& path);
// "SOFTWARE\Kavento-Producer": non-empty components, no control bytes, no leading backslash.
bool is_registry_key_path(const std::string& path);

struct UninstallPlan {
    std::vector<UninstallStep> steps; // in log order, the lines to act on
    size_t skipped_lines = 0;         // non-empty lines that are not acted on
};
UninstallPlan plan_uninstall(const std::string& log_text);

// The closing message: the success text when every step left nothing behind and no line was
// skipped, else what is left and why.
std::string uninstall_report_text(const std::vector<StepResult>& results, size_t skipped_lines);

std::string uninstall_log_missing_text(const std::string& log_path);

// The temporary copy's command line: "<copy>" /uninstall "<target folder>" <process handle>.
std::string copy_command_line(const std::string& copy_path, const std::string& target_folder,
                              uintptr_t wait_handle);
// Reads a command line (the program's own name first) of that form. False, with nothing set, for
// any other command line, including one whose folder is not an absolute path.
bool parse_copy_command_line(const std::string& command_line, std::string& target_folder,
                             uintptr_t& wait_handle);
