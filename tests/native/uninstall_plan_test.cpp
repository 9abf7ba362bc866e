#include "check.h"
#include "log/product.h"
#include "log/product_scope.h"
#include "uninstall/copy_command.h"
#include "uninstall/copy_origin.h"
#include "uninstall/restart_deletion.h"
#include "uninstall/uninstall_plan.h"
#include "uninstall/uninstall_report.h"

static ProductPlaces installed_in(const std::string& folder) {
    ProductPlaces places;
    places.installation_folder = folder;
    return places;
}

static bool skipped(const std::string& line) {
    return classify_log_line(line).action == UninstallAction::kSkip;
}

static void line_splitting() {
    auto lines = split_log_lines("a\r\nb\rc\nd");
    CHECK_EQ(lines.size(), size_t(4));
    CHECK_EQ(lines[0], std::string("a"));
    CHECK_EQ(lines[1], std::string("b"));
    CHECK_EQ(lines[2], std::string("c"));
    CHECK_EQ(lines[3], std::string("d")); // last line without its end
    // An empty line is kept so that the lines behind it are still read.
    lines = split_log_lines("a\r\n\r\nb\r\n");
    CHECK_EQ(lines.size(), size_t(3));
    CHECK_EQ(lines[1], std::string(""));
    CHECK_EQ(lines[2], std::string("b"));
    CHECK(split_log_lines("").empty());
    CHECK_EQ(split_log_lines("\n\n").size(), size_t(2));
}

static void the_four_tags() {
    UninstallStep s = classify_log_line("*Delete file: C:\\Programme\\Kavento-Producer\\fmod.dll");
    CHECK(s.action == UninstallAction::kDeleteFile);
    CHECK_EQ(s.path, std::string("C:\\Programme\\Kavento-Producer\\fmod.dll"));

    s = classify_log_line("*Delete directory: C:\\Programme\\Kavento-Producer");
    CHECK(s.action == UninstallAction::kDeleteFolder);
    CHECK_EQ(s.path, std::string("C:\\Programme\\Kavento-Producer"));

    s = classify_log_line("*Delete reg_key_local_machine: SOFTWARE\\Kavento-Producer\\");
    CHECK(s.action == UninstallAction::kDeleteRegKey);
    CHECK_EQ(s.path, std::string("SOFTWARE\\Kavento-Producer"));

    s = classify_log_line("*Delete reg_value_local_machine: SOFTWARE\\Kavento-Producer\\"
                          "version_number");
    CHECK(s.action == UninstallAction::kDeleteRegValue);
    CHECK_EQ(s.path, std::string("SOFTWARE\\Kavento-Producer"));
    CHECK_EQ(s.value_name, std::string("version_number"));

    // The argument's own ": " belongs to the path, not to the tag.
    s = classify_log_line("*Delete file: \\\\server\\share\\Kav: eins.exe");
    CHECK(s.action == UninstallAction::kSkip); // ':' is no file name byte
    s = classify_log_line("*Delete file: \\\\server\\share\\Kav-Player.exe");
    CHECK(s.action == UninstallAction::kDeleteFile);
    // Bytes of the ANSI code page above 0x7f are ordinary name bytes.
    s = classify_log_line("*Delete directory: C:\\Eigene Dateien\\Pr\xe4sentationen");
    CHECK(s.action == UninstallAction::kDeleteFolder);
    CHECK_EQ(s.line, std::string("*Delete directory: C:\\Eigene Dateien\\Pr\xe4sentationen"));
}

// Registry values read the way the installer's roll-back reads them: split at the last
// backslash, the key without a leading double quote, each part up to its first double quote.
static void quoted_registry_values() {
    struct Case {
        const char* argument;
        const char* key;
        const char* name;
    } cases[] = {
        {"\"SOFTWARE\\Kavento-Producer\\version_number\"", "SOFTWARE\\Kavento-Producer",
         "version_number"},
        {"SOFTWARE\\Kavento-Producer\\version_number\"", "SOFTWARE\\Kavento-Producer",
         "version_number"},
        {"\"SOFTWARE\\Kav\"ento\\x", "SOFTWARE\\Kav", "x"},
        {"SOFTWARE\\Kavento-Producer\\program_path\" \"alt\"", "SOFTWARE\\Kavento-Producer",
         "program_path"},
    };
    for (const Case& c : cases) {
        UninstallStep s =
            classify_log_line(std::string("*Delete reg_value_local_machine: ") + c.argument);
        CHECK(s.action == UninstallAction::kDeleteRegValue);
        CHECK_EQ(s.path, std::string(c.key));
        CHECK_EQ(s.value_name, std::string(c.name));
    }
    // What the rule leaves without a name or without a key is not acted on: a default value
    // may be anybody's.
    CHECK(
        skipped("*Delete reg_value_local_machine: SOFTWARE\\Kavento-Producer\\\"version_number\""));
    CHECK(skipped("*Delete reg_value_local_machine: \"\\version_number"));
    // Key lines have no quote rule: a key name may hold a double quote.
    CHECK(classify_log_line("*Delete reg_key_local_machine: SOFTWARE\\\"K\"\\").action ==
          UninstallAction::kDeleteRegKey);
}

// The system trims a component's final dot, and the last component's final dots and blanks:
// "Kavento Test." is stored as "Kavento Test", and so are the links made inside it.
static void trimmed_names() {
    struct Case {
        const char* path;
        const char* stored;
    } cases[] = {
        {"C:\\P\\Kavento Test.", "C:\\P\\Kavento Test"},
        {"C:\\P\\Kavento Test.\\Uninstall.lnk", "C:\\P\\Kavento Test\\Uninstall.lnk"},
        {"C:\\P\\Kavento Test . .", "C:\\P\\Kavento Test"},
        {"C:\\P\\a..\\b", "C:\\P\\a.\\b"},
        {"C:\\P\\a \\b", "C:\\P\\a \\b"},
        {"C:\\P\\.x", "C:\\P\\.x"},
        {"\\\\server\\share\\K.\\x.", "\\\\server\\share\\K\\x"},
    };
    for (const Case& c : cases) {
        CHECK(is_removable_file_path(c.path));
        CHECK_EQ(stored_path_form(c.path), std::string(c.stored));
        UninstallStep s = classify_log_line(std::string("*Delete file: ") + c.path);
        CHECK_EQ(s.path, std::string(c.stored));
    }
    CHECK(same_path("C:\\Programme\\Kav.\\Uninstall.EXE", "c:\\programme\\kav\\uninstall.exe"));
    CHECK(same_path("C:\\\xc4rger", "C:\\\xe4rger"));
    CHECK(!same_path("C:\\K\\a", "C:\\K\\a\\b"));
    // Components of dots and blanks alone would climb or vanish once trimmed.
    for (const char* path :
         {"C:\\P\\. .\\x", "C:\\P\\.. ", "C:\\P\\...", "C:\\P\\ ", "C:\\P\\ .\\x",
          "\\\\server.\\share\\x", "\\\\server\\share \\x", "\\\\?\\C:\\x.", "\\\\.\\C:\\x"})
        CHECK(!is_removable_file_path(path));
}

static void lines_left_alone() {
    // Tags are matched byte for byte: the pack file's capital F, other cases, missing blanks.
    CHECK(skipped("*Delete File: C:\\Temp\\Kavento.pac"));
    CHECK(skipped("*delete file: C:\\a\\b"));
    CHECK(skipped("*Delete file:C:\\a\\b"));
    CHECK(skipped(" *Delete file: C:\\a\\b"));
    CHECK(skipped("*Delete everything: C:\\"));
    CHECK(skipped(""));
    CHECK(skipped("garbage \xff\xfe"));
    // Paths that are not one plain absolute path.
    CHECK(skipped("*Delete file: "));
    CHECK(skipped("*Delete file: Kav-Player.exe"));
    CHECK(skipped("*Delete file: \\Kav-Player.exe"));
    CHECK(skipped("*Delete file: C:Kav-Player.exe"));
    CHECK(skipped("*Delete file: C:\\"));
    CHECK(skipped("*Delete directory: C:\\"));
    CHECK(skipped("*Delete directory: C:\\Programme\\Kavento-Producer\\"));
    CHECK(skipped("*Delete directory: C:\\Programme\\\\Kavento-Producer"));
    CHECK(skipped("*Delete directory: C:\\Programme\\..\\Windows"));
    CHECK(skipped("*Delete directory: C:\\Programme\\.. \\Windows"));
    CHECK(skipped("*Delete directory: C:\\Programme\\."));
    CHECK(skipped("*Delete file: C:\\Programme\\*.*"));
    CHECK(skipped("*Delete file: C:\\Programme\\a?.exe"));
    CHECK(skipped("*Delete file: C:/Programme/a.exe"));
    CHECK(skipped("*Delete file: C:\\Programme\\a.exe\t"));
    CHECK(skipped("*Delete file: \\\\?\\C:\\Windows"));
    CHECK(skipped("*Delete file: \\\\.\\PhysicalDrive0"));
    CHECK(skipped("*Delete directory: \\\\server\\share"));
    CHECK(skipped(std::string("*Delete file: C:\\a\0b", 20)));
    // Registry arguments.
    CHECK(skipped("*Delete reg_key_local_machine: "));
    CHECK(skipped("*Delete reg_key_local_machine: \\"));
    CHECK(skipped("*Delete reg_key_local_machine: \\SOFTWARE\\Kavento-Producer\\"));
    CHECK(skipped("*Delete reg_key_local_machine: SOFTWARE\\\\Kavento-Producer\\"));
    CHECK(skipped("*Delete reg_value_local_machine: version_number"));
    CHECK(skipped("*Delete reg_value_local_machine: SOFTWARE\\Kavento-Producer\\"));
    CHECK(skipped("*Delete reg_value_local_machine: \"SOFTWARE\\Kavento-Producer\\\"x"));
    CHECK(skipped("*Delete reg_value_local_machine: SOFTWARE\\Kav\\x\ty"));
    CHECK(skipped("*Delete reg_value_local_machine: SOFTWARE\\Kav\x01\\x"));
}

static void length_limits() {
    std::string at_limit = "C:\\" + std::string(kMaxFilePath - 3, 'a');
    CHECK(is_removable_file_path(at_limit));
    CHECK(!is_removable_file_path(at_limit + "a"));
    std::string huge(200000, 'x');
    CHECK(skipped("*Delete file: C:\\" + huge));
    CHECK(skipped("*Delete reg_key_local_machine: SOFTWARE\\" + huge));
    CHECK(skipped("*Delete reg_value_local_machine: SOFTWARE\\" + huge));
    CHECK(skipped(huge));
    // A long value name is legal; a single key name holds at most 255 bytes.
    UninstallStep s =
        classify_log_line("*Delete reg_value_local_machine: SOFTWARE\\K\\" + std::string(300, 'v'));
    CHECK(s.action == UninstallAction::kDeleteRegValue);
    CHECK(skipped("*Delete reg_key_local_machine: SOFTWARE\\" + std::string(256, 'k')));
}

static void whole_logs() {
    // An installer's log with the kinds of damage a log meets: an empty line in the middle, a
    // garbage line, a truncated last line without its end, a line the pack file left.
    std::string log =
        "*Delete file: C:\\K\\fmod.dll\r\n"
        "\r\n"
        "*Delete reg_value_local_machine: SOFTWARE\\Kavento-Producer\\program_path\r\n"
        "xx\x01yy\r\n"
        "*Delete File: C:\\Temp\\Kavento.pac\r\n"
        "*Delete reg_key_local_machine: SOFTWARE\\Kavento-Producer\\\r\n"
        "*Delete directory: C:\\K";
    UninstallPlan plan = plan_uninstall(log, installed_in("C:\\K"));
    CHECK_EQ(plan.steps.size(), size_t(4));
    CHECK_EQ(plan.own_steps_begin, size_t(3)); // the folder that holds the uninstaller
    CHECK_EQ(plan.skipped_lines, size_t(1));   // the pack file's line is expected, the garbage not
    CHECK_EQ(plan.foreign_lines, size_t(0));
    if (plan.steps.size() == 4) {
        CHECK(plan.steps[0].action == UninstallAction::kDeleteFile);
        CHECK(plan.steps[1].action == UninstallAction::kDeleteRegValue);
        CHECK(plan.steps[2].action == UninstallAction::kDeleteRegKey);
        CHECK(plan.steps[3].action == UninstallAction::kDeleteFolder);
        CHECK_EQ(plan.steps[3].path, std::string("C:\\K"));
    }
    CHECK(plan_uninstall("", installed_in("C:\\K")).steps.empty());
    CHECK(plan_uninstall(std::string(100000, '\n'), installed_in("C:\\K")).steps.empty());

    // Lines beyond the limit are not acted on and are counted as such, not as unreadable; lines
    // of other places are counted apart.
    std::string many;
    for (size_t i = 0; i < kMaxLogLines + 5; ++i)
        many += "*Delete file: C:\\K\\f" + std::to_string(i) + "\r\n";
    plan = plan_uninstall("*Delete file: C:\\Windows\\win.ini\r\n" + many, installed_in("C:\\K"));
    CHECK_EQ(plan.steps.size(), kMaxLogLines - 1);
    CHECK_EQ(plan.skipped_lines, size_t(0));
    CHECK_EQ(plan.lines_beyond_limit, size_t(6));
    CHECK_EQ(plan.foreign_lines, size_t(1));
}

// An installation into a folder that the code page cannot spell, logged by short names; the
// uninstaller runs from the form in which the system's paths compare (here a table stands in).
// The lines are the product's all the same, its own files still come last, and a later run gets
// the lines as they were.
static void comparable_form(std::string& path) {
    const std::string short_form = "C:\\PROG~1F2\\__D_~1WW\\KAVENT~1";
    if (path.compare(0, short_form.size(), short_form) == 0)
        path.replace(0, short_form.size(), "C:\\Programme\\__D_~1WW\\Kavento-Producer");
}

static void short_names() {
    ProductPlaces places = installed_in("C:\\Programme\\__D_~1WW\\Kavento-Producer");
    places.comparable_form = comparable_form;
    const std::string t = "C:\\PROG~1F2\\__D_~1WW\\KAVENT~1";
    std::string log = "*Delete file: " + t + "\\Uninstall.exe\r\n" +  //
                      "*Delete file: " + t + "\\Kav-Player.exe\r\n" + //
                      "*Delete directory: " + t + "\r\n";
    UninstallPlan plan = plan_uninstall(log, places);
    CHECK_EQ(plan.foreign_lines, size_t(0));
    CHECK_EQ(plan.own_steps_begin, size_t(1));
    CHECK_EQ(plan.steps.size(), size_t(3));
    if (plan.steps.size() == 3) {
        CHECK_EQ(plan.steps[1].path, places.installation_folder + "\\Uninstall.exe");
        CHECK_EQ(plan.steps[1].line, "*Delete file: " + t + "\\Uninstall.exe");
    }
}

// The uninstaller's own program, then the system list's entry that starts it, then its own log,
// then the folders holding them come last, so that they stay while anything else is left. The
// log's target was typed "Kav." and the program runs from "KAV".
static void own_files_last() {
    const std::string t = "C:\\Programme\\Kav.\\";
    const std::string entry = "*Delete reg_key_local_machine: " + std::string(kUninstallEntryKey);
    std::string log = "*Delete file: " + t + "Uninstall.txt\r\n" +  //
                      entry + "\r\n" +                              //
                      "*Delete directory: " + t + "HTML\r\n" +      //
                      "*Delete file: " + t + "fmod.dll\r\n" +       //
                      "*Delete directory: C:\\Programme\r\n" +      //
                      "*Delete file: " + t + "Uninstall.exe\r\n" +  //
                      "*Delete file: " + t + "Kav-Player.exe\r\n" + //
                      "*Delete directory: " + t.substr(0, t.size() - 1) + "\r\n";
    UninstallPlan plan = plan_uninstall(log, installed_in("c:\\programme\\KAV"));
    const char* order[] = {"HTML",
                           "fmod.dll",
                           "Kav-Player.exe",
                           "Uninstall.exe",
                           "Uninstall\\Kavento-Producer",
                           "Uninstall.txt",
                           "C:\\Programme\\Kav"};
    CHECK_EQ(plan.steps.size(), size_t(7));
    CHECK_EQ(plan.own_steps_begin, size_t(3));
    for (size_t i = 0; i < plan.steps.size() && i < 7; ++i) {
        const std::string& path = plan.steps[i].path;
        CHECK(path.size() >= std::strlen(order[i]) &&
              path.compare(path.size() - std::strlen(order[i]), std::string::npos, order[i]) == 0);
    }
    // The folder above the installation folder is no product's.
    CHECK_EQ(plan.foreign_lines, size_t(1));

    // What a later run carries on with: the lines as they were, in their order in the log.
    std::vector<StepResult> results;
    const StepOutcome outcomes[] = {
        StepOutcome::kRemoved, StepOutcome::kAlreadyGone, StepOutcome::kFailed,  StepOutcome::kKept,
        StepOutcome::kKept,    StepOutcome::kKept,        StepOutcome::kNotEmpty};
    for (size_t i = 0; i < plan.steps.size() && i < 7; ++i)
        results.push_back({plan.steps[i], outcomes[i]});
    UninstallStep document_type;
    document_type.action = UninstallAction::kDeleteRegValue;
    document_type.path = ".kvf";
    results.push_back({document_type, StepOutcome::kFailed});
    CHECK_EQ(remaining_log_text(results),
             "*Delete file: " + t + "Uninstall.txt\r\n" + entry + "\r\n" + "*Delete file: " + t +
                 "Uninstall.exe\r\n" + "*Delete file: " + t + "Kav-Player.exe\r\n" +
                 "*Delete directory: " + t.substr(0, t.size() - 1) + "\r\n");
    CHECK_EQ(remaining_log_text({}), std::string());
}

static StepResult result(UninstallAction action, const std::string& path, StepOutcome outcome,
                         const std::string& value = "") {
    StepResult r;
    r.step.action = action;
    r.step.path = path;
    r.step.value_name = value;
    r.outcome = outcome;
    return r;
}

static bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

static void reports() {
    std::vector<StepResult> all_gone = {
        result(UninstallAction::kDeleteFile, "C:\\K\\a.exe", StepOutcome::kRemoved),
        result(UninstallAction::kDeleteFile, "C:\\K\\b.exe", StepOutcome::kAlreadyGone),
    };
    // Steps kept for a later run and document-type keys that others still use are no leftovers.
    all_gone.push_back(
        result(UninstallAction::kDeleteFile, "C:\\K\\Uninstall.exe", StepOutcome::kKept));
    all_gone.push_back(result(UninstallAction::kPruneRegKey, ".kvf", StepOutcome::kNotEmpty));
    CHECK_EQ(uninstall_report_text(all_gone, 0, ""), std::string(kUninstallSuccess));
    CHECK_EQ(uninstall_report_text({}, 0, ""), std::string(kUninstallSuccess));

    std::string text = uninstall_report_text(all_gone, 3, "");
    CHECK(text != kUninstallSuccess);
    CHECK(contains(text, "3 Zeilen"));
    CHECK(contains(uninstall_report_text(all_gone, 1, ""), "Eine Zeile"));
    text = uninstall_report_text(all_gone, 0, "", 2);
    CHECK(contains(text, "wurden entfernt.\n\n2 Zeilen der Datei Uninstall.txt nannten etwas"));
    CHECK(!contains(text, "unverständlich"));
    text = uninstall_report_text(all_gone, 0, "", 0, nullptr, 6);
    CHECK(contains(text, "6 Zeilen der Datei Uninstall.txt lagen hinter den ersten 1000 Zeilen"));
    CHECK(!contains(text, "unverständlich"));

    std::vector<StepResult> some_left = all_gone;
    some_left.push_back(
        result(UninstallAction::kDeleteFile, "C:\\K\\in-use.exe", StepOutcome::kFailed));
    some_left.push_back(
        result(UninstallAction::kDeleteFolder, "C:\\K\\Kaventos", StepOutcome::kNotEmpty));
    some_left.push_back(result(UninstallAction::kDeleteRegKey, "SOFTWARE\\Kavento-Producer",
                               StepOutcome::kNotEmpty));
    some_left.push_back(result(UninstallAction::kDeleteRegValue, "SOFTWARE\\Kavento-Producer",
                               StepOutcome::kFailed, "version_number"));
    some_left.push_back(result(UninstallAction::kDeleteRegValue, ".kvf", StepOutcome::kFailed));
    some_left.back().step.root = kHkeyClassesRoot;
    text = uninstall_report_text(some_left, 0, "C:\\K\\Uninstall.exe");
    CHECK(contains(text, "'C:\\K\\in-use.exe'"));
    CHECK(contains(text, "'C:\\K\\Kaventos' (enthält noch andere Dateien)"));
    CHECK(contains(text, "'HKEY_LOCAL_MACHINE\\SOFTWARE\\Kavento-Producer' (enthält"));
    CHECK(contains(text, "'version_number'"));
    CHECK(contains(text, "'(Standard)' in 'HKEY_CLASSES_ROOT\\.kvf'"));
    // The uninstaller that stays is named as the way to remove the rest.
    CHECK(contains(text, "\n\nUm den Rest zu entfernen, starten Sie 'C:\\K\\Uninstall.exe' später "
                         "noch einmal."));
    CHECK(!contains(text, "a.exe")); // only what is left is named
    CHECK(!contains(text, "b.exe"));
    CHECK(!contains(text, "Zeile"));

    // A long list is cut so that the message box still fits on the screen.
    std::vector<StepResult> many;
    for (int i = 0; i < 40; ++i)
        many.push_back(result(UninstallAction::kDeleteFile, "C:\\K\\f" + std::to_string(i),
                              StepOutcome::kFailed));
    text = uninstall_report_text(many, 0, "");
    CHECK(contains(text, "'C:\\K\\f11'"));
    CHECK(!contains(text, "'C:\\K\\f12'"));
    CHECK(contains(text, "28 weitere"));

    // Working from its own folder because the temp folder took no copy, the uninstaller names
    // that folder as the reason it stays, not its being in use; other files keep their reason.
    std::vector<StepResult> own_left = {
        result(UninstallAction::kDeleteFile, "C:\\K\\in-use.exe", StepOutcome::kFailed),
        result(UninstallAction::kDeleteFile, "C:\\K\\Uninstall.exe", StepOutcome::kFailed)};
    const std::string temp = "C:\\Users\\x\\Temp\\";
    text = uninstall_report_text(own_left, 0, "C:\\K\\Uninstall.exe", 0, &temp);
    CHECK(contains(text, "'C:\\K\\in-use.exe' (wird sie noch benutzt?)"));
    CHECK(contains(text, "'C:\\K\\Uninstall.exe' (der Ordner für temporäre Dateien "
                         "'C:\\Users\\x\\Temp' kann nicht benutzt werden)"));
    CHECK(contains(text, "sorgen Sie dafür, dass der Ordner für temporäre Dateien "
                         "'C:\\Users\\x\\Temp' benutzt werden kann, und starten Sie "
                         "'C:\\K\\Uninstall.exe' dann noch einmal."));
    CHECK(!contains(text, "später"));
    const std::string unknown;
    CHECK(contains(uninstall_report_text(own_left, 0, "", 0, &unknown),
                   "(der Ordner für temporäre Dateien kann nicht benutzt werden)"));
}

static void log_messages() {
    // A log that holds nothing to act on is told apart from one that cannot be read.
    std::string missing = uninstall_log_missing_text("C:\\K\\Uninstall.txt");
    std::string empty = uninstall_log_empty_text("C:\\K\\Uninstall.txt");
    CHECK(missing != empty);
    CHECK(contains(empty, "'C:\\K\\Uninstall.txt'"));
    CHECK(contains(empty, "es wurde nichts entfernt."));
}

static void copy_folders() {
    const std::string temp = "C:\\Temp\\";
    std::string name = copy_folder_name(0x0123abcd, 0xfedc9876);
    CHECK_EQ(name, std::string("Kavento-Deinstallation-0123abcdfedc9876"));
    CHECK(is_copy_folder(temp + name, temp));
    CHECK(is_copy_folder("c:\\temp\\KAVENTO-DEINSTALLATION-0123ABCDFEDC9876", temp));
    // Only a folder of that form directly in the temp folder is ever deleted with the copy.
    for (const std::string& other :
         {temp + "Kavento-Deinstallation-0123abcdfedc987", temp + name + "0",
          temp + "Kavento-Deinstallation-0123abcdfedc987g", temp + "x\\" + name,
          std::string("C:\\Windows\\") + name, temp.substr(0, temp.size() - 1)})
        CHECK(!is_copy_folder(other, temp));
    CHECK(!is_copy_folder(name, ""));

    // At the next restart the copy deletes only itself: its folder, its program in it, or that
    // program moved out beside the folder. Whatever a command line names stays.
    const std::string folder = temp + name;
    for (const std::string& own : {folder, folder + "\\Kavento-Deinstallation.exe", folder + ".exe",
                                   folder + "\\KAVENTO-DEINSTALLATION.EXE."})
        CHECK(is_copy_leftover(own, folder, temp));
    for (const std::string& other :
         {std::string("C:\\Program Files\\Kavento-Producer\\Uninstall.exe"), folder + "\\other.exe",
          folder + "\\x\\Kavento-Deinstallation.exe", temp + "x.exe",
          temp.substr(0, temp.size() - 1), folder + "\\..\\..\\Windows\\x.dll"})
        CHECK(!is_copy_leftover(other, folder, temp));
    // Only from a folder that is a copy folder at all.
    CHECK(!is_copy_leftover("C:\\Evil\\Kavento-Deinstallation.exe", "C:\\Evil", temp));
}

// The copy obeys its command line only from the original of that folder that started it.
static void copy_origins() {
    const std::string temp = "C:\\Temp\\";
    const std::string target = "C:\\Program Files\\Kavento-Producer";
    CopyOrigin genuine;
    genuine.original_id = genuine.parent_id = 0x1c4;
    genuine.original_program = target + "\\Uninstall.exe";
    genuine.own_program = temp + copy_folder_name(1, 2) + "\\Kavento-Deinstallation.exe";
    genuine.temp_folder = temp;
    CHECK(is_trusted_copy_command(genuine, target));
    CopyOrigin differing = genuine;
    differing.original_program = "c:\\program files\\kavento-producer\\UNINSTALL.EXE";
    CHECK(is_trusted_copy_command(differing, target)); // names compare as the system does

    struct Case {
        const char* what;
        void (*change)(CopyOrigin&, std::string&);
    } refused[] = {
        {"a folder other than the original's", [](CopyOrigin&, std::string& t) { t = "C:\\evil"; }},
        {"handed a process that is not the parent",
         [](CopyOrigin& o, std::string&) { o.original_id = 0x2a8; }},
        {"no process could be told",
         [](CopyOrigin& o, std::string&) { o.original_id = o.parent_id = 0; }},
        {"the parent runs another program",
         [](CopyOrigin& o, std::string&) { o.original_program = "C:\\evil\\Uninstall.exe"; }},
        {"the parent's program unknown",
         [](CopyOrigin& o, std::string&) { o.original_program.clear(); }},
        {"a program beside the original",
         [](CopyOrigin& o, std::string& t) { o.original_program = t + "\\Kav-Player.exe"; }},
        {"run from the installation folder itself",
         [](CopyOrigin& o, std::string& t) { o.own_program = t + "\\Uninstall.exe"; }},
        {"run from elsewhere in the temp folder",
         [](CopyOrigin& o, std::string&) {
             o.own_program = "C:\\Temp\\Kavento-Deinstallation.exe";
         }},
        {"the temp folder unknown", [](CopyOrigin& o, std::string&) { o.temp_folder.clear(); }},
    };
    for (const Case& c : refused) {
        CopyOrigin origin = genuine;
        std::string folder = target;
        c.change(origin, folder);
        if (is_trusted_copy_command(origin, folder)) std::printf("trusted: %s\n", c.what);
        CHECK(!is_trusted_copy_command(origin, folder));
    }
}

// The deletion line goes to the end of the [rename] section, whatever else the file holds.
static void wininit_lines() {
    struct Case {
        const char* before;
        const char* after;
    } cases[] = {
        {"", "[rename]\r\nNUL=C:\\T\\KAV~1.EXE\r\n"},
        {"[Rename]\r\nNUL=C:\\A.TXT\r\n", "[Rename]\r\nNUL=C:\\A.TXT\r\nNUL=C:\\T\\KAV~1.EXE\r\n"},
        {"[rename]\r\nNUL=C:\\A.TXT\r\n[CombineVxDs]\r\nx=y\r\n",
         "[rename]\r\nNUL=C:\\A.TXT\r\nNUL=C:\\T\\KAV~1.EXE\r\n[CombineVxDs]\r\nx=y\r\n"},
        {"[other]\nx=y", "[other]\nx=y\r\n[rename]\r\nNUL=C:\\T\\KAV~1.EXE\r\n"},
        {" [RENAME] \nNUL=C:\\A.TXT", " [RENAME] \nNUL=C:\\A.TXT\r\nNUL=C:\\T\\KAV~1.EXE\r\n"},
        {"[renamed]\r\n", "[renamed]\r\n[rename]\r\nNUL=C:\\T\\KAV~1.EXE\r\n"},
    };
    for (const Case& c : cases)
        CHECK_EQ(wininit_with_deletion(c.before, "C:\\T\\KAV~1.EXE"), std::string(c.after));
}

static void copy_command_lines() {
    std::string target;
    CopyHandles handles;
    std::string line = copy_command_line("C:\\Temp\\Kavento-Deinstallation.exe",
                                         "C:\\Program Files\\Kavento-Producer", {0x1c4, 0x2a8, 7});
    CHECK(parse_copy_command_line(line, target, handles));
    CHECK_EQ(target, std::string("C:\\Program Files\\Kavento-Producer"));
    CHECK_EQ(handles.original, uintptr_t(0x1c4));
    CHECK_EQ(handles.started, uintptr_t(0x2a8));
    CHECK_EQ(handles.folder, uintptr_t(7));

    CHECK(parse_copy_command_line("x.exe  /uninstall\t\"C:\\K\" 0 0 4294967295", target, handles));
    CHECK_EQ(target, std::string("C:\\K"));
    CHECK_EQ(handles.original, uintptr_t(0));
    CHECK_EQ(handles.folder, uintptr_t(0xffffffffu));

    // Anything else is an ordinary start, and leaves the outputs alone.
    target = "unchanged";
    const char* refused[] = {
        "\"C:\\K\\Uninstall.exe\"",
        "\"C:\\K\\Uninstall.exe\" /uninstall",
        "x /uninstall \"C:\\K\"",
        "x /uninstall \"C:\\K\" 12",
        "x /uninstall \"C:\\K\" 12 13 14 15",
        "x /Uninstall \"C:\\K\" 12 13 14",
        "x /uninstall \"C:\\K 12 13 14",
        "x /uninstall \"K\" 12 13 14",
        "x /uninstall \"C:\\\" 12 13 14",
        "x /uninstall \"C:\\K\\..\" 12 13 14",
        "x /uninstall \"C:\\K\" -1 13 14",
        "x /uninstall \"C:\\K\" 12 4294967296 14",
        "x /uninstall \"C:\\K\" 12 13 99999999999999999999",
        "x /uninstall \"C:\\K\" 12 13 14a",
        "",
    };
    for (const char* r : refused)
        CHECK(!parse_copy_command_line(r, target, handles));
    CHECK_EQ(target, std::string("unchanged"));
    CHECK_EQ(handles.started, uintptr_t(0));
}

int main() {
    line_splitting();
    the_four_tags();
    quoted_registry_values();
    trimmed_names();
    lines_left_alone();
    length_limits();
    whole_logs();
    own_files_last();
    short_names();
    reports();
    log_messages();
    copy_folders();
    copy_origins();
    wininit_lines();
    copy_command_lines();
    return check_report();
}
