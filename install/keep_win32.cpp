#include <windows.h>
#include "env/registry_rules.h"
#include "install/keep.h"
#include "install/undo.h"
#include "log/journal.h"
#include "services/file_services.h"
#include "uninstall/restart_deletion.h"

int keep_file(const std::string& path, std::string* kept_path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    // What the system does not report as a file (nothing, a folder, a device) is not kept: the
    // step's own creation decides about it, as it always did.
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return 1;
    // A file that the step could not have overwritten is not replaced through a rename either.
    if (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM))
        return 0;
    for (int attempt = 1; attempt <= kKeptNameAttempts; ++attempt) {
        const std::string kept = kept_file_path(path, attempt);
        if (GetFileAttributesA(kept.c_str()) != INVALID_FILE_ATTRIBUTES) continue;
        UndoAction action{kTagRestoreFile, path};
        action.detail.kept_path = kept;
        // Fails for a file that a running program holds: then nothing has been replaced yet, and
        // putting back a kept copy that was never made does nothing.
        if (!undo_before(std::move(action))) return 0;
        if (!file_move(path, kept)) {
            undo_forget_newest();
            return 0;
        }
        if (kept_path) *kept_path = kept;
        return 1;
    }
    return 0;
}

KeptValue keep_reg_value(RegRoot root, const std::string& sub_key, const std::string& value_name) {
    uint32_t type = 0;
    std::string data;
    const long status = reg_read_raw(root, sub_key, value_name, type, data);
    if (status == kRegStatusNotFound) return KeptValue::kAbsent;
    if (status != 0) return KeptValue::kFailed;
    UndoAction action{kTagRestoreRegValue, sub_key};
    action.detail.root = root;
    action.detail.value_name = value_name;
    action.detail.value_type = type;
    action.detail.value_data = std::move(data);
    return undo_before(std::move(action)) ? KeptValue::kKept : KeptValue::kFailed;
}

void record_missing_keys(RegRoot root, const std::string& sub_key) {
    bool missing = false;
    for (const std::string& key : key_path_prefixes(sub_key)) {
        // Below a missing key every key is missing; a key that exists but may not be read is
        // someone else's and never recorded.
        if (!missing) missing = reg_open_status(root, key) == kRegStatusNotFound;
        if (!missing) continue;
        UndoAction action{kTagRemoveRegKey, key};
        action.detail.root = root;
        undo_before(std::move(action));
    }
}

void remove_kept_files() {
    // A running program's file can be renamed but not deleted: the old copy that the update moved
    // aside then goes at the next start of Windows.
    for (const UndoAction& action : session.undo_list)
        if (undo_kind(action.tag) == UndoKind::kRestoreFile &&
            !file_delete(action.detail.kept_path))
            delete_at_restart(action.detail.kept_path, false);
}
