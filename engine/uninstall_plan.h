// The uninstaller's reading of Uninstall.txt: which line asks for which removal, and what the user
// is told afterwards. Platform-free; the removals themselves are in uninstall_run_win32.cpp.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>
#include "env/registry.h"

// kPruneRegKey removes a registry key only when it is empty, and a key that is not empty is no
// leftover: it is the document types' way of tidying keys that others may share.
enum class UninstallAction {
    kSkip,
    kDeleteFile,
    kDeleteFolder,
    kDeleteRegKey,
    kDeleteRegValue,
    kPruneRegKey
};

// One line of the log, understood, or one removal of a document type. File paths are in the form
// the system stores them (see stored_path_form); registry paths are kept without a final
// backslash; value_name is set for kDeleteRegValue only (empty: the key's default value).
struct UninstallStep {
    UninstallAction action = UninstallAction::kSkip;
    RegRoot root = kHkeyLocalMachine;
    std::string path;
    std::string value_name;
    std::string line;       // the log line it came from; empty for the document types
    size_t line_number = 0; // its place in the log, to write what is left in the same order
};

enum class StepOutcome {
    kRemoved,
    kAlreadyGone, // nothing to do: counts as removed
    kNotEmpty,    // a folder or key that still holds things the installation did not make
    kFailed,      // in use, access denied, …
    kKept,        // not tried: left for a later run, because something before it failed
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
// The temporary copy runs from a folder of its own in the temp folder: this prefix, then random
// hexadecimal digits, so that no other program can foresee or take its place.
inline constexpr const char* kCopyFolderPrefix = "Kavento-Deinstallation-";
inline constexpr size_t kCopyFolderDigits = 16;
inline constexpr const char* kCopyName = "Kavento-Deinstallation.exe";
// How many leftovers the report names before it only counts the rest: a message box taller than
// the screen hides its own OK button.
inline constexpr size_t kReportListLimit = 12;

// Lines end at CR LF, a lone CR or a lone LF; a final line without its end still counts. Empty
// lines are kept (as empty texts) so that nothing after them is lost. At most max_lines lines are
// kept; lines_left_over, when given, receives how many non-empty lines lie beyond them.
std::vector<std::string> split_log_lines(const std::string& text, size_t max_lines = SIZE_MAX,
                                         size_t* lines_left_over = nullptr);

// A line whose tag is one of the four with an action and whose argument is a well-formed path of
// that kind; everything else (unknown tags, the pack file's "*Delete File: ", empty lines, bytes
// that no path holds) becomes kSkip.
UninstallStep classify_log_line(const std::string& line);

// An absolute local ("C:\…") or network ("\\server\share\…") path of at least one component below
// the root, without wildcards, control bytes, a final backslash or a component made of dots and
// blanks alone ("..", ". .", ".. " would climb once the system trims them).
bool is_removable_file_path(const std::string& path);
// The path as the system stores what it names: a component loses its one final dot, and the last
// component loses all its final dots and blanks ("Kavento Test." is the folder "Kavento Test").
// For paths that is_removable_file_path accepts.
std::string stored_path_form(const std::string& path);
// Whether two paths name the same file: their stored forms, compared without regard to case.
bool same_path(const std::string& a, const std::string& b);
// "SOFTWARE\Kavento-Producer": non-empty components, no control bytes, no leading backslash.
bool is_registry_key_path(const std::string& path);

// The steps in log order, except that the uninstaller's own program (target_folder +
// "\Uninstall.exe"), its own log (target_folder + "\Uninstall.txt") and then the folders that hold
// them come last, from own_steps_begin on: while anything else is left, they stay, so that the
// uninstallation can be run again.
// Lines that name anything but the product's own (engine/product_scope.h) are counted apart.
struct UninstallPlan {
    std::vector<UninstallStep> steps;
    size_t own_steps_begin = 0;
    size_t skipped_lines = 0; // unreadable non-empty lines, and those beyond the line limit
    size_t foreign_lines = 0; // readable lines that name something not the product's
};
struct ProductPlaces;
// target_folder is places.installation_folder (without a final backslash).
UninstallPlan plan_uninstall(const std::string& log_text, const ProductPlaces& places);

// The log lines of the steps that are still to do (kept, failed or not empty), in their order in
// the log, each ended by CR LF: the log that a later run carries on with.
std::string remaining_log_text(const std::vector<StepResult>& results);

// The closing message: the success text when every step left nothing behind and no line was
// skipped, else what is left and why. kept_program names the uninstaller that stays for a later
// run, or is empty. unusable_temp, when given, is the temp folder (empty: not known) that could
// not take the uninstaller's copy: the uninstaller then stays because of it, not because it is in
// use, and every later run meets it as well until it is mended.
std::string uninstall_report_text(const std::vector<StepResult>& results, size_t skipped_lines,
                                  const std::string& kept_program, size_t foreign_lines = 0,
                                  const std::string* unusable_temp = nullptr);

std::string uninstall_log_missing_text(const std::string& log_path);
// For a log that is there but names nothing to remove.
std::string uninstall_log_empty_text(const std::string& log_path);

// Whether folder (without a final backslash) is a copy folder that this program made in the temp
// folder temp (with its final backslash): only such a folder is deleted along with the copy.
bool is_copy_folder(const std::string& folder, const std::string& temp);
// The folder name for a copy, from 64 random bits.
std::string copy_folder_name(uint32_t high, uint32_t low);

// The handles that the original hands down to its temporary copy, by inheritance: the original
// process (the copy waits for its end), an event the copy sets once it runs (until then the
// original holds the copy's file), and the copy's folder (held against renaming, and removed
// when its last handle closes). 0 stands for none.
struct CopyHandles {
    uintptr_t original = 0;
    uintptr_t started = 0;
    uintptr_t folder = 0;
};
// The temporary copy's command line:
// "<copy>" /uninstall "<target folder>" <original> <started> <folder>.
std::string copy_command_line(const std::string& copy_path, const std::string& target_folder,
                              const CopyHandles& handles);
// Reads a command line (the program's own name first) of that form. False, with nothing set, for
// any other command line, including one whose folder is not an absolute path.
bool parse_copy_command_line(const std::string& command_line, std::string& target_folder,
                             CopyHandles& handles);
