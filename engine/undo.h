// The undo list (newest first), the uninstall log Uninstall.txt and the roll-back.
#pragma once
#include <deque>
#include <string>
#include <vector>
#include "core/session.h"
#include "engine/product_scope.h"

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

// On session.undo_list.
void undo_add(const std::string& tag, const std::string& argument);
void undo_add(UndoAction action);
void undo_remove_oldest();
// Takes back the newest action when the change it was recorded for made nothing after all (the
// journal keeps it: undoing what was never made does nothing).
void undo_forget_newest();

// Platform-free pieces of the log, on any list.
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
// The actions that the log holds, in order: those of list that reach it, then the old log's lines
// merged behind them. Only old lines that name the product's own (is_product_log_line with
// places) are merged, and only until the log holds kMaxLogLines: the old log lies where other
// programs can write. The list itself is left alone: an earlier installation's lines must never
// become actions that a roll-back of this run carries out.
std::deque<UndoAction> log_actions(const std::deque<UndoAction>& list,
                                   const std::vector<std::string>& old_lines,
                                   const ProductPlaces& places);

// The log's text: each action's line ended by CR LF.
std::string log_text(const std::deque<UndoAction>& actions);

// Win32: nonzero on success; 0 when an earlier log cannot be kept, or the log cannot be created or
// fully written. The log is written whole under a temporary name and then replaces the earlier
// one in one step: at no moment is there a log that holds only part of the installation.
int write_uninstall_log(const std::string& target);
// Newest first. A kept file that cannot be put back stays under its kept name. Ends the journal.
void undo_rollback();
// One action of either: the roll-back of a failed run, or the next start's undoing of one that
// was cut off.
void undo_action(const UndoAction& action);
// Records the undo action of a change that is about to be made: in the journal on disk first,
// then in the list. 0 when the journal cannot be written, and then nothing may be changed.
int undo_before(UndoAction action);
int undo_before(const std::string& tag, const std::string& argument);
