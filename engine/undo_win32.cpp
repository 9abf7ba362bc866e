#include "core/text_rules.h"
#include "engine/keep.h"
#include "engine/product_scope.h"
#include "engine/target_hold.h"
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

// Reads the lines of a log up to its first empty line, or the line limit, so that a huge log costs
// no memory; false when it cannot be opened. Which of them may be merged is log_actions' choice.
bool read_log_lines(const std::string& path, std::vector<std::string>& lines) {
    if (!file_open_read(kLogFile, path)) return false;
    for (size_t n = 0; n < kMaxLogLines; ++n) {
        std::string line = file_read_line();
        if (line.empty()) break;
        lines.push_back(std::move(line));
    }
    file_close(kLogFile);
    return true;
}

} // namespace

int write_uninstall_log(const std::string& target) {
    const std::string path = target + kUninstallLogName;
    // An earlier installation's log waits under a kept name until this run has succeeded, and
    // is read from there: its lines go into the new log, never into the list of this run.
    std::string kept;
    if (!keep_file(path, &kept)) return 0;
    ProductPlaces places;
    std::vector<std::string> old_lines;
    if (!kept.empty()) {
        places = product_places(without_trailing_backslash(target));
        if (!read_log_lines(kept, old_lines)) return 0;
    }

    if (!file_create(kLogFile, path)) return 0;
    undo_add(kTagDeleteFile, path);
    bool complete = true;
    for (const UndoAction& action : log_actions(session.undo_list, old_lines, places)) {
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
        const UndoDetail& detail = action.detail;
        switch (undo_kind(action.tag)) {
        case UndoKind::kDeleteFile:
            file_delete(action.argument);
            break;
        case UndoKind::kDeleteDirectory:
            // The target folder goes through its hold, never by name.
            if (folder_is_empty(action.argument) && !remove_if_held_target(action.argument))
                dir_delete(action.argument, "*.*");
            break;
        case UndoKind::kDeleteRegKey:
            reg_delete_key(kHkeyLocalMachine, action.argument);
            break;
        case UndoKind::kDeleteRegValue: {
            std::string key, name;
            split_reg_value_argument(action.argument, key, name);
            reg_delete_value(kHkeyLocalMachine, key, name);
            break;
        }
        case UndoKind::kRestoreFile:
            // The newer record has removed the new file by now. If it could not, the rename
            // fails and the old file stays safe under its kept name.
            file_move(detail.kept_path, action.argument);
            break;
        case UndoKind::kRestoreRegValue:
            reg_write_value(detail.root, action.argument, detail.value_name, detail.value_type,
                            detail.value_data.data(), uint32_t(detail.value_data.size()));
            break;
        case UndoKind::kRemoveRegValue:
            reg_delete_value(detail.root, action.argument, detail.value_name);
            break;
        case UndoKind::kRemoveRegKey:
            reg_delete_key(detail.root, action.argument);
            break;
        case UndoKind::kNone:
            break;
        }
    }
}
