// The lines of Uninstall.txt and the records of a run's journal: what the installer writes down
// and the uninstaller (or the next start) reads back. One grammar for both programs, platform-free.
#pragma once
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>
#include "env/registry.h"

// What a roll-back-only record carries beyond its argument: where a replaced file waits, or a
// registry value's root, name, type and data. Empty on the records that reach the uninstall log.
struct UndoDetail {
    std::string kept_path;
    uint32_t root = 0;
    std::string value_name;
    uint32_t value_type = 0;
    std::string value_data;
};

// One undo action: the tag says what to do (it always ends in ": "), the argument to what.
struct UndoAction {
    std::string tag;
    std::string argument;
    UndoDetail detail = {};
};

inline constexpr const char* kTagDeleteFile = "*Delete file: ";
inline constexpr const char* kTagDeleteDirectory = "*Delete directory: ";
inline constexpr const char* kTagDeleteRegKey = "*Delete reg_key_local_machine: ";
inline constexpr const char* kTagDeleteRegValue = "*Delete reg_value_local_machine: ";
// The pack file's record: capital F, and no action is attached to it on purpose.
inline constexpr const char* kTagDeletePackFile = "*Delete File: ";
inline constexpr const char* kUninstallLogName = "Uninstall.txt";

// Roll-back-only records: they put back what this run replaced, or remove what it made beyond the
// log's reach (the document types). The uninstall log never holds them. Argument: the original
// file's path, or the registry sub key below detail.root.
inline constexpr const char* kTagRestoreFile = "*Restore file: ";
inline constexpr const char* kTagRestoreRegValue = "*Restore reg_value: ";
inline constexpr const char* kTagRemoveRegValue = "*Remove reg_value: ";
inline constexpr const char* kTagRemoveRegKey = "*Remove reg_key: ";
// A copy that the run makes beside a file and removes again: the log's temporary name and the
// kept copy of an earlier log.
inline constexpr const char* kTagRemoveFile = "*Remove file: ";
// The log is written under this name beside itself, then put in its place in one step.
inline constexpr const char* kLogTempSuffix = ".~kvt";

// The log line of an action: tag directly followed by argument (the ": " is the tag's own).
std::string log_line_text(const UndoAction& action);
// Tag up to and including the first ": ", argument the rest; a line without ": " is split after
// its first character, so tag + argument always gives the line back.
UndoAction split_log_line(const std::string& line);
// Appends the line unless tag + argument of an action already equals it.
void merge_log_line(std::deque<UndoAction>& list, const std::string& line);
// Merges an old log's lines in order, up to its first empty line.
void merge_log_lines(std::deque<UndoAction>& list, const std::vector<std::string>& lines);
// Splits a reg_value argument into key path and value name.
void split_reg_value_argument(const std::string& argument, std::string& key, std::string& name);

// What the roll-back does for a tag; tags match byte for byte, so the pack file's "*Delete File: "
// and any unknown tag do nothing.
enum class UndoKind {
    kNone,
    kDeleteFile,
    kDeleteDirectory,
    kDeleteRegKey,
    kDeleteRegValue,
    kRestoreFile,
    kRestoreRegValue,
    kRemoveRegValue,
    kRemoveRegKey,
    kRemoveFile,
};
UndoKind undo_kind(const std::string& tag);

// Whether the action belongs in the uninstall log: every record but the roll-back-only ones, so a
// log reads the same whether or not the run replaced anything.
bool reaches_log(const UndoAction& action);
// The log's text: each action's line ended by CR LF.
std::string log_text(const std::deque<UndoAction>& actions);

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

// Longest file or folder path the ANSI file calls accept (MAX_PATH without its zero).
inline constexpr size_t kMaxFilePath = 259;
inline constexpr size_t kMaxRegKeyPath = 512;
inline constexpr size_t kMaxRegValueName = 16383;
// A log holds a few dozen lines, one installation's and those of the updates before it; what
// lies beyond this many lines is not acted on or merged.
inline constexpr size_t kMaxLogLines = 1000;

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
