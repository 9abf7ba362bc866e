// Carrying out undo actions, for the roll-back of a failed run and for the next start's undoing
// of a run that was cut off: one way for both, through the uninstaller's removals, which delete a
// folder or a registry key only when it is empty.
#include <windows.h>
#include "install/target_hold.h"
#include "install/undo.h"
#include "log/product_scope.h"
#include "services/text_rules.h"
#include "uninstall/uninstall_run.h"

void undo_action(const UndoAction& action) {
    const UndoDetail& detail = action.detail;
    UninstallStep step;
    step.root = kHkeyLocalMachine;
    step.path = action.argument;
    switch (undo_kind(action.tag)) {
    case UndoKind::kDeleteFile:
    case UndoKind::kRemoveFile:
        step.action = UninstallAction::kDeleteFile;
        break;
    case UndoKind::kDeleteDirectory:
        // The installer's target folder goes through its hold, never by name.
        if (remove_if_held_target(action.argument)) return;
        step.action = UninstallAction::kDeleteFolder;
        break;
    case UndoKind::kDeleteRegKey:
        step.path = without_trailing_backslash(action.argument);
        // The entry in the system's list is one record for a key with its values: they go with it.
        step.action = is_uninstall_entry_key(step.path) ? UninstallAction::kDeleteRegKey
                                                        : UninstallAction::kPruneRegKey;
        break;
    case UndoKind::kDeleteRegValue:
        step.action = UninstallAction::kDeleteRegValue;
        split_reg_value_argument(action.argument, step.path, step.value_name);
        step.path = without_trailing_backslash(step.path);
        break;
    case UndoKind::kRemoveRegValue:
        step.action = UninstallAction::kDeleteRegValue;
        step.root = detail.root;
        step.value_name = detail.value_name;
        break;
    case UndoKind::kRemoveRegKey:
        step.action = UninstallAction::kPruneRegKey;
        step.root = detail.root;
        break;
    case UndoKind::kRestoreFile:
        // The newer record has removed the new file by now. If it could not, the rename
        // fails and the old file stays safe under its kept name.
        MoveFileA(detail.kept_path.c_str(), action.argument.c_str());
        break;
    case UndoKind::kRestoreRegValue:
        reg_write_value(detail.root, action.argument, detail.value_name, detail.value_type,
                        detail.value_data.data(), uint32_t(detail.value_data.size()));
        break;
    case UndoKind::kNone:
        break;
    }
    if (step.action != UninstallAction::kSkip) perform_uninstall_step(step);
}
