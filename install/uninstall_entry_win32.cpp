#include "install/uninstall_entry.h"

#include <windows.h>
#include "core/session.h"
#include "env/registry.h"
#include "install/keep.h"
#include "install/undo.h"
#include "services/file_services.h"

namespace {

const char* const kLocal = ""; // the computer name of the local registry
constexpr int kSizeFile = 0;

// What this installation put into target: the listed files and the library cut out of the
// authoring tool. The log and the empty document folders add nothing worth a kilobyte. Each file
// is opened by its own name: the find calls, which list the folder, are refused while the
// installer holds the target it made.
uint64_t installed_bytes(const std::string& target) {
    std::vector<std::string> names = session.file_name_list;
    names.push_back(kLibraryFileName);
    uint64_t total = 0;
    for (const std::string& name : names) {
        if (!file_open_read(kSizeFile, target + name)) continue;
        const int32_t size = file_size();
        file_close(kSizeFile);
        if (size > 0) total += uint64_t(size);
    }
    return total;
}

} // namespace

bool write_uninstall_entry(const std::string& target, InstallMessage& failure) {
    const RegRoot root = kHkeyLocalMachine;
    const std::string key = kUninstallEntryKey;
    const bool existed = reg_key_exists(root, key, kLocal) != 0;
    // Each record goes to the journal before its change, so that a run cut off in between is
    // undone by the next start.
    if (!existed) {
        if (!undo_before(kTagDeleteRegKey, key)) {
            failure = message_key_not_created(key);
            return false;
        }
        if (!reg_create_key(root, key, kLocal)) {
            undo_forget_newest();
            failure = message_key_not_created(key);
            return false;
        }
    }
    for (const EntryValue& value : uninstall_entry_values(target, session.version_text,
                                                          size_in_kb(installed_bytes(target)))) {
        const KeptValue kept = keep_reg_value(root, key, value.name);
        bool recorded = kept != KeptValue::kFailed;
        // In a key that this run made, the key's own record takes its values along.
        if (recorded && existed && kept == KeptValue::kAbsent) {
            UndoAction action{kTagRemoveRegValue, key};
            action.detail.root = root;
            action.detail.value_name = value.name;
            recorded = undo_before(std::move(action)) != 0;
        }
        if (!recorded || !reg_set_value(root, key, value.name, value.text, value.type, kLocal)) {
            failure = message_value_not_created(value.name, key);
            return false;
        }
    }
    return true;
}
