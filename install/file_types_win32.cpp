#include <windows.h>
#include "install/file_types.h"
#include "install/keep.h"
#include "install/undo.h"

namespace {

// What the write replaces or creates is recorded first, so that a failed run leaves the user's
// associations as they were. A value that cannot be saved is not replaced.
void write_kept(const FileTypeWrite& w) {
    record_missing_keys(w.root, w.sub_key);
    const KeptValue kept = keep_reg_value(w.root, w.sub_key, w.value_name);
    if (kept == KeptValue::kFailed) return;
    // A value that was there before is put back by its kept record; a new one goes again.
    if (kept == KeptValue::kAbsent) {
        UndoAction action{kTagRemoveRegValue, w.sub_key};
        action.detail.root = w.root;
        action.detail.value_name = w.value_name;
        if (!undo_before(std::move(action))) return;
    }
    reg_write_value(w.root, w.sub_key, w.value_name, kRegSz, w.data.c_str(),
                    uint32_t(w.data.size() + 1));
}

} // namespace

int register_file_type(const std::string& extension, const std::string& description,
                       const std::string& command_program, const std::string& icon,
                       const std::string& executable_name, const std::string& verb_caption,
                       const std::string& verb) {
    for (const FileTypeWrite& w :
         file_type_writes(GetVersion(), extension, description, command_program, icon,
                          executable_name, verb_caption, verb))
        write_kept(w);
    return 0;
}
