// The platform-free half of the undo list and the uninstall log: list order, the split of a log
// line into tag and argument, the merge of an old log, which records reach the log, the registry
// value argument, and the names under which replaced things are kept.
#include "check.h"
#include "env/registry_rules.h"
#include "install/keep.h"
#include "install/undo.h"
#include "log/journal.h"

namespace {

std::vector<std::string> lines_of(const std::deque<UndoAction>& list) {
    std::vector<std::string> lines;
    for (const UndoAction& a : list)
        lines.push_back(log_line_text(a));
    return lines;
}

void list_order() {
    session.undo_list.clear();
    undo_add(kTagDeleteFile, "A");
    undo_add(kTagDeleteFile, "B");
    undo_add(kTagDeleteFile, "C");
    CHECK((lines_of(session.undo_list) ==
           std::vector<std::string>{"*Delete file: C", "*Delete file: B", "*Delete file: A"}));

    // The pack file is recorded first, so it is the oldest when the listed files are written.
    session.undo_list.clear();
    undo_add(kTagDeletePackFile, "C:\\Temp\\Kavento.pac");
    undo_add(kTagDeleteDirectory, "C:\\P");
    undo_add(kTagDeleteFile, "C:\\P\\a.exe");
    undo_remove_oldest();
    CHECK((lines_of(session.undo_list) ==
           std::vector<std::string>{"*Delete file: C:\\P\\a.exe", "*Delete directory: C:\\P"}));
    undo_remove_oldest();
    undo_remove_oldest();
    undo_remove_oldest(); // on an empty list: nothing happens
    CHECK(session.undo_list.empty());
}

void line_split() {
    UndoAction a = split_log_line("*Delete file: C:\\P\\x.exe");
    CHECK_EQ(a.tag, std::string("*Delete file: "));
    CHECK_EQ(a.argument, std::string("C:\\P\\x.exe"));

    // Only the first ": " ends the tag; the argument keeps its own.
    a = split_log_line("*Delete file: C:\\a: b");
    CHECK_EQ(a.tag, std::string("*Delete file: "));
    CHECK_EQ(a.argument, std::string("C:\\a: b"));

    // A colon without a blank does not end a tag.
    a = split_log_line("*Delete directory: C:\\x:y");
    CHECK_EQ(a.tag, std::string("*Delete directory: "));

    a = split_log_line("no tag here");
    CHECK_EQ(a.tag, std::string("n"));
    CHECK_EQ(a.argument, std::string("o tag here"));

    a = split_log_line("x");
    CHECK_EQ(a.tag + a.argument, std::string("x"));
    a = split_log_line(": ");
    CHECK_EQ(a.tag, std::string(": "));
    CHECK_EQ(a.argument, std::string(""));
}

void merge() {
    std::deque<UndoAction> list = {{kTagDeleteFile, "C:\\P\\Uninstall.txt"},
                                   {kTagDeleteFile, "C:\\P\\a.exe"},
                                   {kTagDeleteDirectory, "C:\\P"}};
    merge_log_lines(list, {
                              "*Delete file: C:\\P\\Uninstall.txt", // equal to a new line
                              "*Delete directory: C:\\Menu\\Kavento",
                              "*Delete file: C:\\P\\old.exe",
                              "*Delete directory: C:\\Menu\\Kavento", // twice in the old log
                              "*Delete directory: C:\\P",
                              "*Delete file: C:\\a: b",
                              "",
                              "*Delete file: C:\\after-the-empty-line",
                          });
    CHECK((lines_of(list) == std::vector<std::string>{
                                 "*Delete file: C:\\P\\Uninstall.txt",
                                 "*Delete file: C:\\P\\a.exe",
                                 "*Delete directory: C:\\P",
                                 "*Delete directory: C:\\Menu\\Kavento",
                                 "*Delete file: C:\\P\\old.exe",
                                 "*Delete file: C:\\a: b",
                             }));
    CHECK_EQ(list[5].argument, std::string("C:\\a: b"));

    // Equality is of the whole line: a prefix or a different case is another line.
    std::deque<UndoAction> one = {{kTagDeleteFile, "C:\\P\\a.exe"}};
    merge_log_line(one, "*Delete file: C:\\P\\a.ex");
    merge_log_line(one, "*Delete File: C:\\P\\a.exe");
    merge_log_line(one, "*Delete file: C:\\P\\a.exe");
    CHECK_EQ(one.size(), size_t(3));

    // A line far longer than any path is kept whole.
    std::string long_line = std::string(kTagDeleteFile) + std::string(100000, 'x');
    merge_log_line(one, long_line);
    CHECK_EQ(one.size(), size_t(4));
    CHECK_EQ(log_line_text(one.back()), long_line);
}

// What an update keeps for its roll-back never reaches the log, and the old log's lines never
// reach the list that a roll-back carries out.
void records_in_the_log() {
    UndoAction kept_file{kTagRestoreFile, "C:\\P\\a.exe"};
    kept_file.detail.kept_path = "C:\\P\\a.exe.~kv1";
    UndoAction kept_value{kTagRestoreRegValue, "SOFTWARE\\Kavento-Producer\\"};
    kept_value.detail.value_name = "version_string";
    const std::deque<UndoAction> list = {
        {kTagDeleteFile, "C:\\P\\Uninstall.txt"},
        {kTagRemoveRegValue, "Software\\Microsoft\\x"},
        {kTagRemoveRegKey, ".kvf"},
        {kTagDeleteRegValue, "SOFTWARE\\Kavento-Producer\\version_string"},
        kept_value,
        {kTagDeleteFile, "C:\\P\\a.exe"},
        kept_file,
        {kTagDeletePackFile, "C:\\Temp\\Kavento.pac"},
    };
    ProductPlaces places;
    places.installation_folder = "C:\\P";
    const std::deque<UndoAction> log =
        log_actions(list,
                    {"*Delete file: C:\\P\\a.exe", "*Restore file: C:\\old",
                     "*Delete file: C:\\windows\\win.ini", "*Delete file: C:\\P\\old.exe",
                     "*Delete File: C:\\Temp\\Kavento.pac"},
                    places);
    CHECK((lines_of(log) ==
           std::vector<std::string>{
               "*Delete file: C:\\P\\Uninstall.txt",
               "*Delete reg_value_local_machine: SOFTWARE\\Kavento-Producer\\version_string",
               "*Delete file: C:\\P\\a.exe",
               "*Delete File: C:\\Temp\\Kavento.pac",
               // Of the old lines only those that name the product's own are carried on.
               "*Delete file: C:\\P\\old.exe",
           }));
    CHECK_EQ(list.size(), size_t(8));
    for (const UndoAction& a : log)
        CHECK(a.detail.kept_path.empty());

    // An old log adds lines only up to the limit of a log.
    std::vector<std::string> many;
    for (size_t i = 0; i < kMaxLogLines + 10; ++i)
        many.push_back("*Delete file: C:\\P\\f" + std::to_string(i));
    CHECK_EQ(log_actions(list, many, places).size(), kMaxLogLines);
}

void kept_names() {
    // In the original's own folder, one name per attempt, never one of the names written.
    const std::string original = "C:\\Program Files\\K\\Kav-Player.exe";
    CHECK_EQ(kept_file_path(original, 1), original + ".~kv1");
    CHECK(kept_file_path(original, 1) != kept_file_path(original, 2));

    CHECK((key_path_prefixes("Applications\\Kav-Player.exe\\shell") ==
           std::vector<std::string>{"Applications", "Applications\\Kav-Player.exe",
                                    "Applications\\Kav-Player.exe\\shell"}));
    CHECK((key_path_prefixes("SOFTWARE\\Kavento-Producer\\") ==
           std::vector<std::string>{"SOFTWARE", "SOFTWARE\\Kavento-Producer"}));
    CHECK((key_path_prefixes(".kvf") == std::vector<std::string>{".kvf"}));
    CHECK(key_path_prefixes("").empty());
}

void reg_value_argument() {
    std::string key, name;
    split_reg_value_argument("SOFTWARE\\Kavento-Producer\\version_number", key, name);
    CHECK_EQ(key, std::string("SOFTWARE\\Kavento-Producer\\"));
    CHECK_EQ(name, std::string("version_number"));

    // A whole argument in quotes loses both quotes.
    split_reg_value_argument("\"SOFTWARE\\Kavento-Producer\\program_path\"", key, name);
    CHECK_EQ(key, std::string("SOFTWARE\\Kavento-Producer\\"));
    CHECK_EQ(name, std::string("program_path"));

    split_reg_value_argument("SOFTWARE\\Kav\"ento\\x\"y", key, name);
    CHECK_EQ(key, std::string("SOFTWARE\\Kav"));
    CHECK_EQ(name, std::string("x"));

    split_reg_value_argument("novalue", key, name);
    CHECK_EQ(key, std::string(""));
    CHECK_EQ(name, std::string("novalue"));
}

} // namespace

int main() {
    list_order();
    line_split();
    merge();
    records_in_the_log();
    kept_names();
    reg_value_argument();
    return check_report();
}
