#include "check.h"
#include "engine/uninstall_plan.h"

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
        "*Delete file: C:\\K\\Uninstall.txt\r\n"
        "\r\n"
        "*Delete reg_value_local_machine: SOFTWARE\\Kavento-Producer\\program_path\r\n"
        "xx\x01yy\r\n"
        "*Delete File: C:\\Temp\\Kavento.pac\r\n"
        "*Delete reg_key_local_machine: SOFTWARE\\Kavento-Producer\\\r\n"
        "*Delete directory: C:\\K";
    UninstallPlan plan = plan_uninstall(log);
    CHECK_EQ(plan.steps.size(), size_t(4));
    CHECK_EQ(plan.skipped_lines, size_t(1)); // the pack file's line is expected, the garbage not
    if (plan.steps.size() == 4) {
        CHECK(plan.steps[0].action == UninstallAction::kDeleteFile);
        CHECK(plan.steps[1].action == UninstallAction::kDeleteRegValue);
        CHECK(plan.steps[2].action == UninstallAction::kDeleteRegKey);
        CHECK(plan.steps[3].action == UninstallAction::kDeleteFolder);
        CHECK_EQ(plan.steps[3].path, std::string("C:\\K"));
    }
    CHECK(plan_uninstall("").steps.empty());
    CHECK(plan_uninstall(std::string(100000, '\n')).steps.empty());
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
    CHECK_EQ(uninstall_report_text(all_gone, 0), std::string(kUninstallSuccess));
    CHECK_EQ(uninstall_report_text({}, 0), std::string(kUninstallSuccess));

    std::string text = uninstall_report_text(all_gone, 3);
    CHECK(text != kUninstallSuccess);
    CHECK(contains(text, "3 Zeilen"));
    CHECK(contains(uninstall_report_text(all_gone, 1), "Eine Zeile"));

    std::vector<StepResult> some_left = all_gone;
    some_left.push_back(
        result(UninstallAction::kDeleteFile, "C:\\K\\in-use.exe", StepOutcome::kFailed));
    some_left.push_back(
        result(UninstallAction::kDeleteFolder, "C:\\K\\Kaventos", StepOutcome::kNotEmpty));
    some_left.push_back(result(UninstallAction::kDeleteRegKey, "SOFTWARE\\Kavento-Producer",
                               StepOutcome::kNotEmpty));
    some_left.push_back(result(UninstallAction::kDeleteRegValue, "SOFTWARE\\Kavento-Producer",
                               StepOutcome::kFailed, "version_number"));
    text = uninstall_report_text(some_left, 0);
    CHECK(contains(text, "'C:\\K\\in-use.exe'"));
    CHECK(contains(text, "'C:\\K\\Kaventos' (enthält noch andere Dateien)"));
    CHECK(contains(text, "'HKEY_LOCAL_MACHINE\\SOFTWARE\\Kavento-Producer' (enthält"));
    CHECK(contains(text, "'version_number'"));
    CHECK(!contains(text, "a.exe")); // only what is left is named
    CHECK(!contains(text, "b.exe"));
    CHECK(!contains(text, "Zeile"));

    // A long list is cut so that the message box still fits on the screen.
    std::vector<StepResult> many;
    for (int i = 0; i < 40; ++i)
        many.push_back(result(UninstallAction::kDeleteFile, "C:\\K\\f" + std::to_string(i),
                              StepOutcome::kFailed));
    text = uninstall_report_text(many, 0);
    CHECK(contains(text, "'C:\\K\\f11'"));
    CHECK(!contains(text, "'C:\\K\\f12'"));
    CHECK(contains(text, "28 weitere"));
}

static void copy_command_lines() {
    std::string target;
    uintptr_t handle = 0;
    std::string line = copy_command_line("C:\\Temp\\Kavento-Deinstallation.exe",
                                         "C:\\Program Files\\Kavento-Producer", 0x1c4);
    CHECK(parse_copy_command_line(line, target, handle));
    CHECK_EQ(target, std::string("C:\\Program Files\\Kavento-Producer"));
    CHECK_EQ(handle, uintptr_t(0x1c4));

    CHECK(parse_copy_command_line("x.exe  /uninstall\t\"C:\\K\" 0", target, handle));
    CHECK_EQ(target, std::string("C:\\K"));
    CHECK_EQ(handle, uintptr_t(0));

    // Anything else is an ordinary start, and leaves the outputs alone.
    target = "unchanged";
    const char* refused[] = {
        "\"C:\\K\\Uninstall.exe\"",
        "\"C:\\K\\Uninstall.exe\" /uninstall",
        "x /uninstall \"C:\\K\"",
        "x /uninstall \"C:\\K\" 12 13",
        "x /Uninstall \"C:\\K\" 12",
        "x /uninstall \"C:\\K 12",
        "x /uninstall \"K\" 12",
        "x /uninstall \"C:\\\" 12",
        "x /uninstall \"C:\\K\\..\" 12",
        "x /uninstall \"C:\\K\" -1",
        "x /uninstall \"C:\\K\" 4294967296",
        "x /uninstall \"C:\\K\" 99999999999999999999",
        "x /uninstall \"C:\\K\" 12a",
        "",
    };
    for (const char* r : refused)
        CHECK(!parse_copy_command_line(r, target, handle));
    CHECK_EQ(target, std::string("unchanged"));
}

int main() {
    line_splitting();
    the_four_tags();
    lines_left_alone();
    length_limits();
    whole_logs();
    reports();
    copy_command_lines();
    return check_report();
}
