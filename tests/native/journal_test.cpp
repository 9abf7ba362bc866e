// The journal's records (bytes to records and back, and what a torn or foreign value reads as) and
// the plan that the next start makes of a journal left behind.
#include "check.h"
#include "install/keep.h"
#include "install/undo.h"
#include "log/journal.h"
#include "log/product.h"

namespace {

const std::string T = "C:\\Program Files\\Kavento-Producer";
const std::string P = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs";
const std::string kPack = "C:\\users\\me\\Temp\\Kavento.pac";

ProductPlaces places() {
    ProductPlaces p;
    p.installation_folder = T;
    p.menu_folders = {P};
    p.desktops = {"C:\\users\\Public\\Desktop"};
    p.special_folders = {"C:\\windows", P};
    return p;
}

UndoAction kept_value(RegRoot root, const std::string& key, const std::string& name) {
    UndoAction a{kTagRestoreRegValue, key};
    a.detail.root = root;
    a.detail.value_name = name;
    a.detail.value_type = kRegSz;
    a.detail.value_data = std::string("old\0", 4);
    return a;
}

UndoAction kept_file(const std::string& path, const std::string& kept) {
    UndoAction a{kTagRestoreFile, path};
    a.detail.kept_path = kept;
    return a;
}

void check_records() {
    const UndoAction value = kept_value(kHkeyLocalMachine, "SOFTWARE\\Kavento-Producer\\", "v");
    const std::string bytes = encode_journal_record(value);
    UndoAction read;
    CHECK(decode_journal_record(bytes, read));
    CHECK_EQ(read.tag, value.tag);
    CHECK_EQ(read.argument, value.argument);
    CHECK_EQ(read.detail.root, value.detail.root);
    CHECK_EQ(read.detail.value_type, value.detail.value_type);
    CHECK_EQ(read.detail.value_data, value.detail.value_data); // its zero byte included
    CHECK_EQ(read.detail.value_name, value.detail.value_name);

    // Every shorter piece is a record cut off while it was written; a longer one is not ours.
    bool any_prefix_read = false;
    for (size_t n = 0; n < bytes.size(); ++n)
        any_prefix_read |= decode_journal_record(bytes.substr(0, n), read);
    CHECK(!any_prefix_read);
    CHECK(!decode_journal_record(bytes + "x", read));
    // A length that claims more than there is, one that would wrap a 32-bit sum, an unknown tag.
    std::string huge = bytes;
    huge[11] = '\xff', huge[12] = '\xff', huge[13] = '\xff', huge[14] = '\xff';
    CHECK(!decode_journal_record(huge, read));
    CHECK(!decode_journal_record(encode_journal_record(UndoAction{"*Run program: ", "x"}), read));
    CHECK(!decode_journal_record("KJ2" + bytes.substr(3), read));
}

std::vector<UndoAction> install_journal(const std::vector<UndoAction>& changes) {
    std::vector<UndoAction> records = {
        {kTagRunInstall, ""}, {kTagDeletePackFile, kPack}, {kTagTargetFolder, T}};
    records.insert(records.end(), changes.begin(), changes.end());
    return records;
}

void check_undo_plan() {
    const std::string log = T + "\\Uninstall.txt";
    const std::vector<UndoAction> changes = {
        {kTagDeleteDirectory, T},
        kept_file(T + "\\Kav-Player.exe", T + "\\Kav-Player.exe.~kv1"),
        {kTagDeleteFile, T + "\\Kav-Player.exe"},
        kept_value(kHkeyLocalMachine, "SOFTWARE\\Kavento-Producer\\", "version_number"),
        {kTagDeleteRegValue, "SOFTWARE\\Kavento-Producer\\version_number"},
        kept_value(kHkeyLocalMachine, kUninstallEntryKey, "DisplayVersion"),
        kept_value(kHkeyClassesRoot, ".kve", ""),
        {kTagRemoveFile, log + ".~kv1"},
        {kTagRemoveFile, log + kLogTempSuffix},
        {kTagDeleteFile, log},
    };
    RecoveryPlan plan = plan_recovery(install_journal(changes), places(), kPack);
    CHECK(plan.kind == RecoveryKind::kUndoInstall);
    CHECK_EQ(plan.target_folder, T);
    CHECK_EQ(plan.refused, size_t(0));
    // Newest first, as the roll-back of a reported failure takes its list.
    CHECK_EQ(plan.undo.size(), changes.size() + 1);
    CHECK_EQ(plan.undo.front().argument, log);
    CHECK_EQ(plan.undo.back().argument, kPack);
    CHECK_EQ(plan.undo[plan.undo.size() - 2].argument, T);

    // Once the log was in place, only the kept copies go.
    std::vector<UndoAction> done = install_journal(changes);
    done.push_back({kTagDone, ""});
    plan = plan_recovery(done, places(), kPack);
    CHECK(plan.kind == RecoveryKind::kFinishInstall);
    CHECK(plan.undo.empty());
    CHECK_EQ(plan.kept_files.size(), size_t(3));
    CHECK_EQ(plan.kept_files[0], T + "\\Kav-Player.exe.~kv1");

    // What is not the product's is never carried out, whoever wrote it into the journal.
    const std::vector<UndoAction> foreign = {
        {kTagDeleteFile, "C:\\windows\\win.ini"},
        {kTagDeletePackFile, "C:\\windows\\Kavento.pac"},
        kept_file("C:\\windows\\win.ini", "C:\\windows\\win.ini.~kv1"),
        kept_file(T + "\\Kav-Player.exe", "C:\\windows\\x"),
        kept_value(kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", "x"),
        kept_value(kHkeyLocalMachine,
                   "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Other\\", "x"),
        kept_value(kHkeyClassesRoot, ".txt", ""),
        {kTagRemoveFile, "C:\\windows\\win.ini"},
        {kTagRemoveFile, T + "\\Kav-Player.exe"},
        {kTagDeleteDirectory, P},
    };
    plan = plan_recovery(install_journal(foreign), places(), kPack);
    CHECK_EQ(plan.refused, foreign.size() + 0);
    CHECK_EQ(plan.undo.size(), size_t(1)); // the pack file alone

    // The keys that a document type's registration had to make, down to its own (removed only
    // when empty again), and none off its way.
    UndoAction key{kTagRemoveRegKey, "Software\\Classes\\Kav-Player.exe\\shell"};
    key.detail.root = kHkeyLocalMachine;
    UndoAction per_user = key;
    per_user.detail.root = kHkeyCurrentUser;
    per_user.argument = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts";
    UndoAction off_the_way = key;
    off_the_way.argument = "Software\\Microsoft";
    UndoAction other_root = per_user;
    other_root.detail.root = kHkeyLocalMachine;
    plan =
        plan_recovery(install_journal({key, per_user, off_the_way, other_root}), places(), kPack);
    CHECK_EQ(plan.undo.size(), size_t(3));
    CHECK_EQ(plan.refused, size_t(2));
}

void check_uninstall_plan() {
    const std::vector<UndoAction> records = {
        {kTagRunUninstall, T},
        {kTagDeleteFile, P + "\\Kavento-Producer\\Uninstall.lnk"},
        {kTagDeleteDirectory, P + "\\Kavento-Producer"},
        {kTagDeleteFile, T + "\\Uninstall.exe"},
        {kTagDeleteFile, "C:\\windows\\win.ini"},
    };
    RecoveryPlan plan = plan_recovery(records, places(), kPack);
    CHECK(plan.kind == RecoveryKind::kFinishUninstall);
    CHECK_EQ(plan.target_folder, T);
    CHECK_EQ(plan.uninstall_log, "*Delete file: " + P + "\\Kavento-Producer\\Uninstall.lnk\r\n" +
                                     "*Delete directory: " + P + "\\Kavento-Producer\r\n" +
                                     "*Delete file: " + T + "\\Uninstall.exe\r\n");
    CHECK_EQ(plan.refused, size_t(1));

    // A journal that does not start as one of ours is left alone.
    CHECK(plan_recovery({{kTagDeleteFile, T + "\\Uninstall.exe"}}, places(), kPack).kind ==
          RecoveryKind::kNone);
    CHECK(plan_recovery({}, places(), kPack).kind == RecoveryKind::kNone);
}

} // namespace

int main() {
    check_records();
    check_undo_plan();
    check_uninstall_plan();
    return check_report();
}
