#include "engine/undo.h"
#include "env/registry.h"
#include "services/dir_examine.h"
#include "services/file_services.h"

namespace {

constexpr int kLogFile = 0;

// Only "." and ".." may be left for the folder to count as empty; anything else was put there by
// someone else and keeps the folder.
bool folder_is_empty(const std::string& path) {
    if (!dir_examine(0, path, "*.*")) return true;
    bool empty = true;
    // Walked to the end so that the examination is not left half open.
    while (dir_next_entry() != 0) {
        const std::string name = dir_entry_name();
        if (name != "." && name != "..") empty = false;
    }
    return empty;
}

} // namespace

int write_uninstall_log(const std::string& target) {
    const std::string path = target + kUninstallLogName;
    if (!file_open_update(kLogFile, path)) return 0;
    undo_add(kTagDeleteFile, path);
    // A log left by an earlier installation into this folder keeps what that one created.
    for (;;) {
        const std::string line = file_read_line();
        if (line.empty()) break;
        merge_log_line(session.undo_list, line);
    }
    file_close(kLogFile);

    if (!file_create(kLogFile, path)) return 0;
    bool complete = true;
    for (const UndoAction& action : session.undo_list) {
        const std::string line = log_line_text(action);
        // A short write (a full disk) would leave the uninstaller a log that forgets things.
        if (file_write_line(line) != int(line.size() + 2)) {
            complete = false;
            break;
        }
    }
    file_close(kLogFile);
    return complete ? 1 : 0;
}

void undo_rollback() {
    for (const UndoAction& action : session.undo_list) {
        switch (undo_kind(action.tag)) {
        case UndoKind::delete_file:
            file_delete(action.argument);
            break;
        case UndoKind::delete_directory:
            if (folder_is_empty(action.argument)) dir_delete(action.argument, "*.*");
            break;
        case UndoKind::delete_reg_key:
            reg_delete_key(kHkeyLocalMachine, action.argument);
            break;
        case UndoKind::delete_reg_value: {
            std::string key, name;
            split_reg_value_argument(action.argument, key, name);
            reg_delete_value(kHkeyLocalMachine, key, name);
            break;
        }
        case UndoKind::none:
            break;
        }
    }
}
