// The undo list (newest first), the uninstall log Uninstall.txt and the roll-back.
#pragma once
#include <deque>
#include <string>
#include <vector>
#include "core/session.h"
#include "log/product_scope.h"

// On session.undo_list.
void undo_add(const std::string& tag, const std::string& argument);
void undo_add(UndoAction action);
void undo_remove_oldest();
// Takes back the newest action when the change it was recorded for made nothing after all (the
// journal keeps it: undoing what was never made does nothing).
void undo_forget_newest();

// The actions that the log holds, in order: those of list that reach it, then the old log's lines
// merged behind them. Only old lines that name the product's own (is_product_log_line with
// places) are merged, and only until the log holds kMaxLogLines: the old log lies where other
// programs can write. The list itself is left alone: an earlier installation's lines must never
// become actions that a roll-back of this run carries out.
std::deque<UndoAction> log_actions(const std::deque<UndoAction>& list,
                                   const std::vector<std::string>& old_lines,
                                   const ProductPlaces& places);

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
