// The next start's dealing with a run that was cut off, in either program: an installation is
// undone through the roll-back's own actions, or finished; an uninstallation is carried on through
// the uninstaller's run.
#include "install/recovery.h"

#include <windows.h>
#include "install/undo.h"
#include "log/journal.h"
#include "payload/pack_format.h"
#include "services/system_paths.h"
#include "uninstall/restart_deletion.h"
#include "uninstall/uninstall_run.h"

RecoveryKind recover_interrupted_run() {
    std::vector<UndoAction> records;
    if (!journal_read(records)) return RecoveryKind::kNone;
    const std::string target = journal_target_folder(records);
    const ProductPlaces places = product_places(target);
    std::string temp;
    const std::string pack_path = system_temp_folder(temp) ? temp + kPackFileName : std::string();
    const RecoveryPlan plan = plan_recovery(records, places, pack_path);
    switch (plan.kind) {
    case RecoveryKind::kUndoInstall:
        for (const UndoAction& action : plan.undo)
            undo_action(action);
        break;
    case RecoveryKind::kFinishInstall:
        for (const std::string& kept : plan.kept_files)
            if (!DeleteFileA(kept.c_str()) &&
                GetFileAttributesA(kept.c_str()) != INVALID_FILE_ATTRIBUTES)
                delete_at_restart(kept, false);
        break;
    case RecoveryKind::kFinishUninstall:
        run_uninstall(plan_uninstall(plan.uninstall_log, places), {},
                      places.installation_folder + "\\" + kUninstallLogName, 0);
        break;
    case RecoveryKind::kNone:
        break;
    }
    journal_end();
    if (plan.kind != RecoveryKind::kNone)
        MessageBoxA(nullptr, recovery_message(plan.kind), kRecoveryTitle,
                    MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND);
    return plan.kind;
}
