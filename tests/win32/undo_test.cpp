// The uninstall log on disk and the roll-back under Wine: the exact bytes of the log, the merge
// of an old log read back through the file services, failures, and what each tag removes.
#include <windows.h>
#include <cstdio>
#include "check.h"
#include "env/registry.h"
#include "install/keep.h"
#include "install/undo.h"
#include "services/file_services.h"
#include "test_files.h"

namespace {

std::string g_root; // a fresh folder of this run, with its final "\"

std::string fresh_folder(const char* name) {
    return make_folder_in(g_root, name);
}

void log_of_a_list() {
    std::string target = fresh_folder("abc");
    session.undo_list.clear();
    undo_add(kTagDeleteFile, "A");
    undo_add(kTagDeleteDirectory, "B");
    undo_add(kTagDeleteRegValue, "C");
    CHECK_EQ(write_uninstall_log(target), 1);
    CHECK_EQ(read_all(target + "Uninstall.txt"), "*Delete file: " + target +
                                                     "Uninstall.txt\r\n"
                                                     "*Delete reg_value_local_machine: C\r\n"
                                                     "*Delete directory: B\r\n"
                                                     "*Delete file: A\r\n");
    // The log records itself as the newest action, and its temporary name before it.
    CHECK_EQ(session.undo_list.size(), size_t(5));
    CHECK_EQ(session.undo_list[1].argument, target + "Uninstall.txt" + kLogTempSuffix);
    CHECK(!exists(target + "Uninstall.txt" + kLogTempSuffix));
    CHECK_EQ(session.undo_list.front().argument, target + "Uninstall.txt");
}

void merge_with_old_log() {
    std::string target = fresh_folder("merge");
    const std::string log = target + "Uninstall.txt";
    const std::string long_path = "C:\\" + std::string(5000, 'L');
    const std::string old_log =
        "*Delete file: " + log + "\r\n" +            // equal to this run's own line
        "*Delete directory: " + target + "Old\r\n" + // only the earlier run made it
        "*Delete file: " + target + "new.exe\r\n" +  // equal to a new action
        "*Delete directory: " + target + "Old\r\n" + // twice in the old log
        "*Delete file: C:\\a: b\r\n" +               // no path of the product's
        "*Delete file: C:\\windows\\win.ini\r\n" +   // nor this
        "*Delete file: " + long_path + "\n" +        // longer than any path, lone LF
        "*Delete file: " + target + "lone-cr\r" +    //
        "*Delete file: " + target + "last-without-line-end";
    write_all(log, old_log);
    session.undo_list.clear();
    undo_add(kTagDeleteFile, target + "new.exe");
    CHECK_EQ(write_uninstall_log(target), 1);
    CHECK_EQ(read_all(log), "*Delete file: " + log + "\r\n" +                //
                                "*Delete file: " + target + "new.exe\r\n" +  //
                                "*Delete directory: " + target + "Old\r\n" + //
                                "*Delete file: " + target + "lone-cr\r\n" +  //
                                "*Delete file: " + target + "last-without-line-end\r\n");
    // The old lines went into the file only: a roll-back of this run must never act on them.
    // The list holds the log's own line, its temporary name, the old log's kept copy (put back
    // by a roll-back, removed after success) and this run's action.
    CHECK_EQ(session.undo_list.size(), size_t(5));
    CHECK_EQ(session.undo_list[2].tag, std::string(kTagRestoreFile));
    const std::string kept = session.undo_list[2].detail.kept_path;
    CHECK_EQ(session.undo_list[3].argument, kept);
    CHECK_EQ(read_all(kept), old_log);
    remove_kept_files();
    CHECK(!exists(kept));

    // A kept copy that is still in use (an old program file that is running) waits for the next
    // start of Windows instead.
    const std::string busy = target + "busy.exe";
    write_all(busy, "old");
    session.undo_list.clear();
    std::string busy_kept;
    CHECK_EQ(keep_file(busy, &busy_kept), 1);
    HANDLE running = CreateFileA(busy_kept.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
    remove_kept_files();
    CloseHandle(running);
    CHECK(exists(busy_kept));
    const std::vector<std::string> pending = pending_restart_deletions();
    CHECK(!pending.empty() && pending.back() == "\\??\\" + busy_kept);

    // Merging stops at the first empty line; what follows it is dropped.
    write_all(log,
              "*Delete file: " + target + "kept\r\n\r\n*Delete file: " + target + "dropped\r\n");
    session.undo_list.clear();
    CHECK_EQ(write_uninstall_log(target), 1);
    CHECK_EQ(read_all(log), "*Delete file: " + log + "\r\n*Delete file: " + target + "kept\r\n");
}

void log_failures() {
    // A target folder that does not exist: the log and its temporary name are recorded before
    // they are tried (removing what was never made does nothing), and nothing is made.
    session.undo_list.clear();
    undo_add(kTagDeleteFile, "A");
    CHECK_EQ(write_uninstall_log(g_root + "missing\\"), 0);
    CHECK_EQ(session.undo_list.size(), size_t(3));
    CHECK(!exists(g_root + "missing"));
}

// A link to /dev/full stands at the log's name: the new log is written beside it, and it cannot
// take the device's place (Wine renames over no device), so the log fails; its temporary name
// is gone again.
void log_on_a_full_disk() {
    std::string target = fresh_folder("full");
    const std::string log = target + "Uninstall.txt";
    CHECK(make_full_disk_file(log));
    session.undo_list.clear();
    undo_add(kTagDeleteFile, "A");
    CHECK_EQ(write_uninstall_log(target), 0);
    // Recorded before the write failed, so a roll-back takes the broken log away.
    CHECK_EQ(session.undo_list.front().argument, log);
    CHECK(!exists(log + kLogTempSuffix));
}

// An update that fails puts back what it replaced. A kept copy that cannot be put back stays under
// its kept name, and the roll-back goes on with the rest.
void update_rolled_back() {
    const std::string folder = fresh_folder("update");
    const std::string old_file = folder + "a.exe", blocked = folder + "b.exe";
    write_all(old_file, "old a");
    write_all(blocked, "old b");
    session.undo_list.clear();
    std::string kept_a, kept_b;
    CHECK_EQ(keep_file(old_file, &kept_a), 1);
    CHECK_EQ(keep_file(blocked, &kept_b), 1);
    CHECK(!exists(old_file));
    CHECK_EQ(read_all(kept_a), std::string("old a"));
    for (const std::string& path : {old_file, blocked}) {
        write_all(path, "new");
        undo_add(kTagDeleteFile, path);
    }
    // A program holds the new b: it can be neither deleted nor replaced.
    HANDLE hold = CreateFileA(blocked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    CHECK(hold != INVALID_HANDLE_VALUE);
    undo_rollback();
    CloseHandle(hold);
    CHECK_EQ(read_all(old_file), std::string("old a"));
    CHECK(!exists(kept_a));
    CHECK_EQ(read_all(blocked), std::string("new"));
    CHECK_EQ(read_all(kept_b), std::string("old b"));

    // A file that cannot be moved aside fails the keeping before anything is replaced.
    const std::string held = folder + "held.exe", read_only = folder + "read-only.exe";
    write_all(held, "held");
    write_all(read_only, "read-only");
    SetFileAttributesA(read_only.c_str(), FILE_ATTRIBUTE_READONLY);
    session.undo_list.clear();
    hold = CreateFileA(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    CHECK_EQ(keep_file(held), 0);
    CloseHandle(hold);
    CHECK_EQ(keep_file(read_only), 0);
    CHECK(session.undo_list.empty());
    CHECK_EQ(read_all(held), std::string("held"));
    CHECK_EQ(read_all(read_only), std::string("read-only"));
    // Nothing at the path, or a folder in its place: nothing to keep.
    CHECK_EQ(keep_file(folder + "missing.exe"), 1);
    CHECK_EQ(keep_file(folder.substr(0, folder.size() - 1)), 1);
    CHECK(session.undo_list.empty());

    // An earlier log that cannot be kept fails the log before it is touched.
    const std::string log = folder + "Uninstall.txt";
    write_all(log, "*Delete file: C:\\old.exe\r\n");
    hold = CreateFileA(log.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    CHECK_EQ(write_uninstall_log(folder), 0);
    CloseHandle(hold);
    CHECK(session.undo_list.empty());
    CHECK_EQ(read_all(log), std::string("*Delete file: C:\\old.exe\r\n"));
}

void roll_back() {
    std::string folder = fresh_folder("rollback");
    std::string inner = fresh_folder("rollback\\inner");
    std::string foreign = fresh_folder("rollback\\foreign");
    write_all(inner + "ours.exe", "x");
    write_all(foreign + "ours.exe", "x");
    write_all(foreign + "theirs.txt", "someone else's");
    const std::string pack = folder + "Kavento.pac";
    write_all(pack, "pack");

    session.undo_list.clear();
    // Oldest first, as an installation would add them.
    undo_add(kTagDeletePackFile, pack);
    undo_add(kTagDeleteDirectory, folder.substr(0, folder.size() - 1));
    undo_add(kTagDeleteDirectory, foreign.substr(0, foreign.size() - 1));
    undo_add(kTagDeleteFile, foreign + "ours.exe");
    undo_add(kTagDeleteDirectory, inner.substr(0, inner.size() - 1));
    undo_add(kTagDeleteFile, inner + "ours.exe");
    undo_add(kTagDeleteFile, folder + "never-written.exe"); // a failed deletion is passed over
    undo_add("*Unknown tag: ", folder + "Kavento.pac");
    const size_t before = session.undo_list.size();
    undo_rollback();

    CHECK(!exists(inner + "ours.exe"));
    CHECK(!exists(inner));
    CHECK(!exists(foreign + "ours.exe"));
    // A folder holding a file the installer did not write stays, and so do its parents.
    CHECK(exists(foreign + "theirs.txt"));
    CHECK(exists(foreign));
    CHECK(exists(folder));
    // The pack file's record has no action.
    CHECK_EQ(read_all(pack), std::string("pack"));
    CHECK_EQ(session.undo_list.size(), before);
}

const char kTestKey[] = "SOFTWARE\\Kavento-UndoTest\\";

bool value_exists(const char* name) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kTestKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    bool found = RegQueryValueExA(key, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    RegCloseKey(key);
    return found;
}

bool key_exists() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kTestKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

void roll_back_registry() {
    HKEY key;
    CHECK(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kTestKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                          &key, nullptr) == ERROR_SUCCESS);
    DWORD number = 12010;
    RegSetValueExA(key, "version_number", 0, REG_DWORD, reinterpret_cast<BYTE*>(&number),
                   sizeof number);
    RegSetValueExA(key, "version_string", 0, REG_SZ, reinterpret_cast<const BYTE*>("1.20.1"), 7);
    RegCloseKey(key);

    session.undo_list.clear();
    undo_add(kTagDeleteRegValue, std::string(kTestKey) + "version_number");
    undo_rollback();
    CHECK(!value_exists("version_number"));
    CHECK(value_exists("version_string"));
    CHECK(key_exists());

    // A replaced value comes back with its type and data, whatever they are.
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, kTestKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                    nullptr);
    const char binary[] = {'\0', '\x01', '\xFF', '\0'};
    RegSetValueExA(key, "version_string", 0, REG_BINARY, reinterpret_cast<const BYTE*>(binary),
                   sizeof binary);
    RegCloseKey(key);
    session.undo_list.clear();
    CHECK(keep_reg_value(kHkeyLocalMachine, kTestKey, "version_string") == KeptValue::kKept);
    CHECK(keep_reg_value(kHkeyLocalMachine, kTestKey, "missing") == KeptValue::kAbsent);
    CHECK_EQ(reg_set_value(kHkeyLocalMachine, kTestKey, "version_string", "1.20.1", kRegSz, ""), 1);
    undo_add(kTagDeleteRegValue, std::string(kTestKey) + "version_string");
    undo_rollback();
    uint32_t type = 0;
    std::string data;
    CHECK_EQ(reg_read_raw(kHkeyLocalMachine, kTestKey, "version_string", type, data), 0L);
    CHECK_EQ(type, uint32_t(REG_BINARY));
    CHECK(data == std::string(binary, sizeof binary));

    // Values before their key: newest first empties the key before its own record comes.
    session.undo_list.clear();
    undo_add(kTagDeleteRegKey, kTestKey);
    undo_add(kTagDeleteRegValue, std::string(kTestKey) + "version_string");
    undo_rollback();
    CHECK(!key_exists());
}

} // namespace

int main() {
    services_init();
    g_root = make_run_folder("kv-undo");

    log_of_a_list();
    merge_with_old_log();
    log_failures();
    log_on_a_full_disk();
    update_rolled_back();
    roll_back();
    roll_back_registry();
    services_shutdown();
    return check_report();
}
