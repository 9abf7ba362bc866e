// kvdriver: carries out one scenario (tests/driver/README.md) against a program under Wine.
// Runs in the same prefix as the program under test, so it shares window handles, the registry
// and drive C: with it. This file reads the scenario, through the files it includes and the case
// of a template, and runs each line's command from the table of commands below.
#include <windows.h>

#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "driver/driver.h"
#include "driver/scenario.h"
#include "driver/words.h"
#include "win32/test_linux.h"

namespace {

// A file that includes itself would otherwise go on until the stack is gone.
constexpr int kMaxIncludeDepth = 8;
// A template's cases stand in this file beside it.
const char* const kCaseTable = "cases.txt";

struct Run {
    std::map<std::string, std::string> variables;
    std::string error;
    bool error_located = false; // the error already names the included file and line
    int line = 0;               // of the scenario itself, for "FAIL line N"
    int passed = 0;
    int resume_after = 0; // lines of the scenario itself that a run before this one carried out
    std::set<std::string> used_slots;
};

Run g_run;

bool cmd_set(const Args& a) {
    set_variable(a[1], a[2]);
    return true;
}

// Where a run that ends its own wineserver leaves what the next run of the driver needs: the
// scenario's line, its variables and its snapshots (tests/e2e/run-scenario.sh starts that run).
std::string resume_state_path() {
    std::string scratch;
    return lookup_variable("KV_SCRATCH", scratch) ? windows_path(scratch + "/resume.state")
                                                  : std::string();
}

// Ends every program of the prefix at once, this driver too, as a power cut would: nothing is
// told, nothing rolled back. Only a line of the scenario itself, so that the next run can
// start behind it.
bool cmd_kill_wineserver(const Args&) {
    const std::string path = resume_state_path();
    if (path.empty()) return fail("KV_SCRATCH is not set: no run could go on after this line");
    std::string state = std::to_string(g_run.line) + " " + std::to_string(g_run.passed + 1) + " " +
                        std::to_string(g_run.variables.size()) + "\n";
    for (const auto& v : g_run.variables)
        state += std::to_string(v.first.size()) + " " + std::to_string(v.second.size()) + "\n" +
                 v.first + v.second;
    state += saved_snapshots();
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    const bool saved = file != INVALID_HANDLE_VALUE &&
                       WriteFile(file, state.data(), DWORD(state.size()), &written, nullptr) &&
                       written == state.size();
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    if (!saved) return fail("cannot save the run to " + path);
    std::printf("     ending the wineserver; the next run of the driver goes on\n");
    // Its marker files go beside the saved run, outside drive C:, which the snapshots cover.
    run_linux_command("wineserver -k", 10000, path.substr(0, path.rfind('\\')));
    Sleep(30000);
    return fail("the wineserver did not end");
}

// Takes up a run that cmd_kill_wineserver saved, once.
bool resume_saved_run() {
    const std::string path = resume_state_path();
    std::string state;
    if (path.empty() || !read_whole_file(path, state)) return true;
    DeleteFileA(path.c_str());
    int line = 0, passed = 0;
    unsigned count = 0;
    size_t at = state.find('\n');
    if (at == std::string::npos ||
        std::sscanf(state.c_str(), "%d %d %u", &line, &passed, &count) != 3)
        return fail("unreadable saved run " + path);
    ++at;
    for (unsigned i = 0; i < count; ++i) {
        unsigned long long name_length = 0, value_length = 0;
        const size_t end = state.find('\n', at);
        if (end == std::string::npos ||
            std::sscanf(state.c_str() + at, "%llu %llu", &name_length, &value_length) != 2 ||
            state.size() - end - 1 < name_length + value_length)
            return fail("unreadable saved run " + path);
        g_run.variables[state.substr(end + 1, size_t(name_length))] =
            state.substr(end + 1 + size_t(name_length), size_t(value_length));
        at = end + 1 + size_t(name_length + value_length);
    }
    if (!load_snapshots(state.substr(at))) return fail("unreadable snapshots in " + path);
    g_run.resume_after = line;
    g_run.passed = passed;
    std::printf("     going on after line %d of a run that ended its wineserver\n", line);
    return true;
}

struct Command {
    const char* name;
    size_t min_args; // words after the command
    size_t max_args; // SIZE_MAX: any number
    bool (*run)(const Args&);
    const char* usage;
    // The words stay UTF-8, so that they may hold any letter; the command makes them wide.
    bool any_letter = false;
};

constexpr size_t kAny = static_cast<size_t>(-1);

const Command kCommands[] = {
    {"set", 2, 2, cmd_set, "NAME VALUE"},
    {"reg-set", 4, 4, cmd_reg_set, "ROOT\\KEY NAME sz|dword|sz-raw|expand-sz VALUE"},
    {"reg-delete-key", 1, 1, cmd_reg_delete_key, "ROOT\\KEY"},
    {"winver", 1, 1, cmd_winver, "win95|nt40|win98|winme|win2k|winxp|win7|win10"},
    {"dll-disable", 1, 1, cmd_dll_disable, "NAME"},
    {"set-env", 2, 2, cmd_set_env, "NAME VALUE", true},
    {"mkdir", 1, 1, cmd_mkdir, "PATH", true},
    {"write-file", 2, 2, cmd_write_file, "PATH TEXT"},
    {"write-bytes", 2, kAny, cmd_write_bytes, "PATH HEX..."},
    {"symlink", 2, 2, cmd_symlink, "PATH TARGET"},
    {"append-file", 2, 2, cmd_append_file, "PATH TEXT"},
    {"copy-file", 2, 2, cmd_copy_file, "FROM TO"},
    {"hold-file", 1, 1, cmd_hold_file, "PATH"},
    {"release-file", 1, 1, cmd_release_file, "PATH"},
    {"start", 1, kAny, cmd_start, "PATH [ARGS...]"},
    {"start-listed", 1, 1, cmd_start_listed, "NAME"},
    {"wait-window", 1, 2, cmd_wait_window, "TITLE [MS]"},
    {"expect-box", 2, 3, cmd_expect_box, "TITLE TEXT [MS]"},
    {"answer-box", 1, 1, cmd_answer_box, "BUTTON"},
    {"box", 3, 4, cmd_box, "TITLE TEXT BUTTON [MS]"},
    {"expect-no-box", 0, 1, cmd_expect_no_box, "[MS]"},
    {"click", 1, 1, cmd_click, "GADGET"},
    {"set-text", 2, 2, cmd_set_text, "GADGET TEXT"},
    {"list-select", 2, 2, cmd_list_select, "GADGET INDEX"},
    {"close-window", 0, 0, cmd_close_window, ""},
    {"expect-text", 2, 2, cmd_expect_text, "GADGET TEXT"},
    {"expect-visible", 1, kAny, cmd_expect_visible, "IDS..."},
    {"expect-only-visible", 0, kAny, cmd_expect_only_visible, "IDS..."},
    {"expect-enabled", 1, kAny, cmd_expect_enabled, "IDS..."},
    {"expect-disabled", 1, kAny, cmd_expect_disabled, "IDS..."},
    {"expect-checked", 2, 2, cmd_expect_checked, "GADGET 0|1"},
    {"expect-progress", 2, 2, cmd_expect_progress, "GADGET VALUE"},
    {"wait-progress", 2, 3, cmd_wait_progress, "GADGET VALUE [MS]"},
    {"expect-list", 1, kAny, cmd_expect_list, "GADGET ITEMS..."},
    {"expect-focus", 1, 1, cmd_expect_focus, "GADGET"},
    {"choose-folder", 1, 2, cmd_choose_folder, "PATH [MS]"},
    {"screenshot", 1, 1, cmd_screenshot, "NAME"},
    {"real-click", 1, 2, cmd_real_click, "GADGET [COUNT]"},
    {"real-keys", 1, kAny, cmd_real_keys, "KEYS..."},
    {"wait-exit", 1, 2, cmd_wait_exit, "CODE [MS]"},
    {"expect-window-gone", 0, 1, cmd_expect_window_gone, "[MS]"},
    {"expect-no-any-window", 1, 2, cmd_expect_no_any_window, "TITLE [MS]"},
    {"follow-child", 0, 1, cmd_follow_child, "[MS]"},
    {"follow-started", 1, 2, cmd_follow_started, "PROGRAM_FILE_NAME [MS]"},
    {"attack-start", 2, 3, cmd_attack_start, "STAGED TARGET | link FOLDER POINTS_TO | mutex NAME"},
    {"attack-stop", 0, 1, cmd_attack_stop, "[AT_LEAST]"},
    {"expect-file", 1, 2, cmd_expect_file, "PATH [SIZE]"},
    {"expect-no-file", 1, 1, cmd_expect_no_file, "PATH"},
    {"expect-same-file", 2, 2, cmd_expect_same_file, "PATH LINUX_PATH"},
    {"expect-dir", 1, 1, cmd_expect_dir, "PATH"},
    {"expect-no-dir", 1, 1, cmd_expect_no_dir, "PATH"},
    {"expect-file-lines", 1, kAny, cmd_expect_file_lines, "PATH LINES..."},
    {"expect-reg", 4, 4, cmd_expect_reg, "ROOT\\KEY NAME sz|dword VALUE"},
    {"expect-no-reg", 1, 2, cmd_expect_no_reg, "ROOT\\KEY [NAME]"},
    {"expect-lnk", 5, 7, cmd_expect_lnk,
     "PATH TARGET DESCRIPTION ICON,INDEX SHOWCMD [ARGUMENTS [WORKING_FOLDER]]"},
    {"make-lnk", 5, 7, cmd_make_lnk,
     "PATH TARGET DESCRIPTION ICON,INDEX SHOWCMD [ARGUMENTS [WORKING_FOLDER]]"},
    {"snapshot", 1, 1, cmd_snapshot, "NAME"},
    {"kill-wineserver", 0, 0, cmd_kill_wineserver, ""},
    {"expect-snapshot", 1, kAny, cmd_expect_snapshot, "NAME [EXCLUDE...]"},
    {"special-folder", 2, 2, cmd_special_folder, "VAR CSIDL"},
    {"expect-listed", 1, 1, cmd_expect_listed, "TEXT"},
    {"expect-unlisted", 1, 1, cmd_expect_unlisted, "TEXT"},
    {"size-kb", 2, kAny, cmd_size_kb, "VAR PATHS..."},
};

const Command* find_command(const std::string& name) {
    for (const auto& c : kCommands)
        if (name == c.name) return &c;
    return nullptr;
}

// A word of a line as the commands get it: in Windows-1252, its variables expanded; or, for a
// command that takes any letter, in UTF-8 with the variables' values turned into UTF-8.
bool expand_word(const std::string& raw, bool any_letter, std::string& word) {
    std::string text, error;
    if (any_letter) {
        auto lookup_utf8 = [](const std::string& name, std::string& value) {
            if (!lookup_variable(name, value)) return false;
            value = cp1252_to_utf8(value);
            return true;
        };
        if (!expand_variables(raw, lookup_utf8, word, error)) return fail(error);
        return true;
    }
    if (!utf8_to_cp1252(raw, text, error) || !expand_variables(text, lookup_variable, word, error))
        return fail(error);
    return true;
}

// Runs one command line; false with the error noted when it fails.
bool run_line(const std::vector<std::string>& raw) {
    const Command* command = find_command(raw[0]);
    if (!command) return fail("unknown command " + raw[0]);
    Args args{raw[0]};
    for (size_t i = 1; i < raw.size(); ++i) {
        args.emplace_back();
        if (!expand_word(raw[i], command->any_letter, args.back())) return false;
    }
    size_t n = args.size() - 1;
    if (n < command->min_args || n > command->max_args)
        return fail("usage: " + std::string(command->name) + " " + command->usage);
    return command->run(args);
}

std::string folder_of(const std::string& path) {
    return path.substr(0, path.find_last_of("\\/") + 1);
}

bool is_blank_or_comment(const std::string& line) {
    size_t first = line.find_first_not_of(" \t");
    return first == std::string::npos || line[first] == '#';
}

bool run_file(const std::string& path, const std::string& label, const Slots& slots, int depth);

// include FILE [KEY=TEXT...]: FILE's lines run here, with its slots filled from these words
// (taken as written, their variables expand when the lines run) over the slots of this file.
bool run_include(const std::vector<std::string>& raw, const std::string& including,
                 const Slots& slots, int depth) {
    std::string file;
    if (raw.size() < 2) return fail("usage: include FILE [KEY=TEXT...]");
    if (!expand_word(raw[1], false, file)) return false;
    if (file.empty()) return fail("include names no file");
    if (depth + 1 > kMaxIncludeDepth)
        return fail("includes nest deeper than " + number_text(kMaxIncludeDepth) + " at " + file);
    std::string path = file[0] == '/' ? windows_path(file) : folder_of(including) + file;
    for (char& c : path)
        if (c == '/') c = '\\';
    Slots inner = slots;
    std::set<std::string> given;
    for (size_t i = 2; i < raw.size(); ++i) {
        size_t equals = raw[i].find('=');
        if (equals == std::string::npos || equals == 0)
            return fail("a slot is filled as KEY=TEXT: " + raw[i]);
        std::string key = raw[i].substr(0, equals);
        if (given.insert(key).second) inner[key].clear();
        inner[key].push_back(raw[i].substr(equals + 1));
    }
    return run_file(path, file.substr(file.find_last_of("\\/") + 1), inner, depth + 1);
}

// Runs the lines of one scenario file: depth 0 is the scenario itself, more an included file.
bool run_file(const std::string& path, const std::string& label, const Slots& slots, int depth) {
    std::string content;
    if (!read_whole_file(path, content)) return false;
    std::vector<std::string> lines = scenario_lines(content);
    for (size_t i = 0; i < lines.size(); ++i) {
        int number = static_cast<int>(i + 1);
        if (depth == 0) g_run.line = number;
        if (is_blank_or_comment(lines[i])) continue;
        // A resumed run only marks the slots of the lines that the run before it carried out.
        if (depth == 0 && number <= g_run.resume_after) {
            std::vector<std::string> ignored;
            std::string error;
            fill_slots(lines[i], slots, ignored, g_run.used_slots, error);
            continue;
        }
        std::vector<std::string> filled;
        std::vector<std::string> raw;
        std::string error;
        bool ok = fill_slots(lines[i], slots, filled, g_run.used_slots, error) || fail(error);
        for (size_t k = 0; ok && k < filled.size(); ++k) {
            const std::string& text = filled[k];
            if (is_blank_or_comment(text)) continue;
            if (depth == 0)
                std::printf("%4d %s\n", number, text.c_str());
            else
                std::printf("     %s:%d %s\n", label.c_str(), number, text.c_str());
            ok = split_words(text, raw, error) || fail(error);
            if (ok && raw[0] == "include") {
                ok = run_include(raw, path, slots, depth);
            } else if (ok && run_line(raw)) {
                ++g_run.passed;
            } else {
                ok = false;
            }
        }
        if (!ok) {
            if (depth > 0 && !g_run.error_located)
                g_run.error = label + " line " + number_text(number) + ": " + g_run.error;
            g_run.error_located = depth > 0;
            return false;
        }
    }
    return true;
}

// A case that fills a slot no line has, most likely a misspelt one, would pass without it.
bool every_slot_used(const Slots& slots) {
    for (const auto& slot : slots)
        if (!g_run.used_slots.count(slot.first))
            return fail(std::string(kCaseTable) + " fills @" + slot.first + "@, which no line has");
    return true;
}

} // namespace

bool fail(const std::string& message) {
    g_run.error = message;
    return false;
}

std::string number_text(long long v) {
    return std::to_string(v);
}

bool poll_until(DWORD ms, const std::function<bool()>& done) {
    DWORD start = GetTickCount();
    while (true) {
        if (done()) return true;
        if (GetTickCount() - start >= ms) return false;
        Sleep(10);
    }
}

bool parse_ms(const Args& a, size_t index, DWORD fallback, DWORD& ms) {
    ms = fallback;
    if (a.size() <= index) return true;
    uint32_t v;
    if (!parse_u32(a[index], v)) return fail("not a time in milliseconds: " + a[index]);
    ms = v;
    return true;
}

std::wstring wide(const std::string& s) {
    int n = MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, nullptr, 0);
    std::wstring w(n > 0 ? n : 1, L'\0');
    MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, &w[0], n);
    w.resize(n > 0 ? n - 1 : 0);
    return w;
}

std::string narrow(const std::wstring& w) {
    int n = WideCharToMultiByte(CP_ACP, 0, w.data(), static_cast<int>(w.size()), nullptr, 0,
                                nullptr, nullptr);
    std::string s(n > 0 ? n : 0, '\0');
    if (n > 0)
        WideCharToMultiByte(CP_ACP, 0, w.data(), static_cast<int>(w.size()), &s[0], n, nullptr,
                            nullptr);
    return s;
}

void set_variable(const std::string& name, const std::string& value) {
    g_run.variables[name] = value;
}

bool lookup_variable(const std::string& name, std::string& value) {
    auto it = g_run.variables.find(name);
    if (it != g_run.variables.end()) {
        value = it->second;
        return true;
    }
    if (name == "CR" || name == "LF" || name == "CRLF" || name == "TAB") {
        value = name == "CR" ? "\r" : name == "LF" ? "\n" : name == "CRLF" ? "\r\n" : "\t";
        return true;
    }
    // The environment's value as the ANSI calls reach it (TEMP may name a folder in any letters).
    wchar_t buf[32768];
    DWORD n = GetEnvironmentVariableW(wide(name).c_str(), buf, 32768);
    if (n == 0 || n >= 32768) return false;
    return ansi_spelling(std::wstring(buf, n), value);
}

bool exact_narrow(const std::wstring& w, std::string& s) {
    BOOL inexact = FALSE;
    s = narrow(w);
    if (w.empty()) return true;
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, w.data(), static_cast<int>(w.size()), nullptr,
                        0, nullptr, &inexact);
    return !inexact;
}

bool ansi_spelling(const std::wstring& path, std::string& spelled) {
    spelled.clear();
    for (size_t start = 0;;) {
        size_t end = path.find(L'\\', start);
        std::string name;
        if (!exact_narrow(path.substr(start, end - start), name)) {
            wchar_t short_form[MAX_PATH];
            DWORD n = GetShortPathNameW(path.substr(0, end).c_str(), short_form, MAX_PATH);
            if (n == 0 || n >= MAX_PATH) return false;
            std::wstring short_path(short_form, n);
            if (!exact_narrow(short_path.substr(short_path.rfind(L'\\') + 1), name)) return false;
        }
        spelled += name;
        if (end == std::wstring::npos) return true;
        spelled += '\\';
        start = end + 1;
    }
}

std::wstring wide_from_utf8(const std::string& s) {
    int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring w(n > 0 ? n : 0, L'\0');
    if (n > 0) MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), &w[0], n);
    return w;
}

int main(int argc, char** argv) {
    setvbuf(stdout, nullptr, _IONBF, 0);
    if (argc < 2 || argc > 3) {
        std::printf("usage: kvdriver SCENARIO [CASE]\n");
        return 2;
    }
    std::string path = windows_path(argv[1]);
    Slots slots;
    if (argc == 3) {
        std::string table, error;
        if (!read_whole_file(folder_of(path) + kCaseTable, table) ||
            !(read_case(table, argv[2], slots, error) ||
              fail(std::string(kCaseTable) + ": " + error))) {
            std::printf("FAIL line 0: %s\n", g_run.error.c_str());
            return 1;
        }
    }
    CoInitialize(nullptr);
    DWORD start = GetTickCount();
    bool passed = resume_saved_run() && run_file(path, "", slots, 0) && every_slot_used(slots);
    if (!passed) std::printf("FAIL line %d: %s\n", g_run.line, g_run.error.c_str());
    end_started_programs();
    if (!passed) {
        std::printf("%d passed, 1 failed\n", g_run.passed);
        return 1;
    }
    std::printf("scenario took %lu ms\n", static_cast<unsigned long>(GetTickCount() - start));
    std::printf("%d passed, 0 failed\n", g_run.passed);
    return 0;
}
