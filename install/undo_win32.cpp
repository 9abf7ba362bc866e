#include <windows.h>
#include "env/registry.h"
#include "install/undo.h"
#include "log/journal.h"
#include "log/log_file.h"
#include "log/product_scope.h"
#include "services/file_services.h"
#include "services/text_rules.h"
#include "services/whole_files.h"
#include "uninstall/uninstall_run.h"

int write_uninstall_log(const std::string& target) {
    const std::string path = target + kUninstallLogName;
    // An earlier installation's log stays where it is until the new one replaces it; a copy of
    // it waits under a kept name for a roll-back to put back. Its lines go into the new log,
    // never into the list of this run.
    ProductPlaces places;
    std::vector<std::string> old_lines;
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        std::string old_log;
        if (!read_whole_file(path, old_log)) return 0;
        std::string kept;
        for (int attempt = 1; attempt <= kKeptNameAttempts && kept.empty(); ++attempt)
            if (GetFileAttributesA(kept_file_path(path, attempt).c_str()) ==
                INVALID_FILE_ATTRIBUTES)
                kept = kept_file_path(path, attempt);
        UndoAction restore{kTagRestoreFile, path};
        restore.detail.kept_path = kept;
        if (kept.empty() || !undo_before(kTagRemoveFile, kept) ||
            !write_flushed_file(kept, old_log) || !undo_before(std::move(restore)))
            return 0;
        places = product_places(without_trailing_backslash(target));
        old_lines = split_log_lines(old_log, kMaxLogLines);
    }
    const std::string temp = path + kLogTempSuffix;
    if (!undo_before(kTagRemoveFile, temp) || !undo_before(kTagDeleteFile, path)) return 0;
    // A short write (a full disk) would leave the uninstaller a log that forgets things: the
    // earlier log stays in place then.
    if (write_flushed_file(temp, log_text(log_actions(session.undo_list, old_lines, places))) &&
        put_in_place(temp, path))
        return 1;
    DeleteFileA(temp.c_str());
    return 0;
}

void undo_rollback() {
    for (const UndoAction& action : session.undo_list)
        undo_action(action);
    journal_end();
}

int undo_before(UndoAction action) {
    if (!journal_append(action)) return 0;
    undo_add(std::move(action));
    return 1;
}

int undo_before(const std::string& tag, const std::string& argument) {
    return undo_before(UndoAction{tag, argument});
}
