// The driver's commands for the program under test: starting it, finding its windows and message
// boxes, answering them, and waiting for it, or for a program it starts, to end.
#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "driver/driver.h"
#include "driver/words.h"

Target g_target;

static bool target_running() {
    return g_target.process && WaitForSingleObject(g_target.process, 0) == WAIT_TIMEOUT;
}

struct WindowSearch {
    DWORD pid;
    std::vector<HWND> found;
};

static BOOL CALLBACK collect_window(HWND hwnd, LPARAM p) {
    auto* s = reinterpret_cast<WindowSearch*>(p);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == s->pid && IsWindowVisible(hwnd)) s->found.push_back(hwnd);
    return TRUE;
}

static std::string box_text(HWND box) {
    std::string text;
    HWND label = GetDlgItem(box, 0xFFFF);
    if (label) control_text(label, text);
    return text;
}

std::string window_class(HWND hwnd) {
    char buf[256] = "";
    GetClassNameA(hwnd, buf, sizeof buf);
    return buf;
}

bool control_text(HWND hwnd, std::string& text) {
    DWORD_PTR len = 0;
    if (!SendMessageTimeoutA(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, kSendTimeoutMs, &len))
        return false;
    std::vector<char> buf(len + 2);
    DWORD_PTR got = 0;
    if (!SendMessageTimeoutA(hwnd, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data()),
                             SMTO_NORMAL, kSendTimeoutMs, &got))
        return false;
    text.assign(buf.data(), std::min<size_t>(got, len + 1));
    return true;
}

static std::string window_title(HWND hwnd) {
    char buf[1024] = "";
    GetWindowTextA(hwnd, buf, sizeof buf);
    return buf;
}

bool is_box(HWND hwnd) {
    return window_class(hwnd) == "#32770";
}

std::vector<HWND> target_windows() {
    WindowSearch search{g_target.process_id, {}};
    if (!g_target.process_id) return {};
    EnumWindows(collect_window, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string describe_box(HWND box) {
    return "box " + show_text(window_title(box)) + ": " + show_text(box_text(box));
}

std::string describe_target() {
    if (!g_target.process) return "no program was started";
    std::string out;
    DWORD code = 0;
    if (!target_running()) {
        GetExitCodeProcess(g_target.process, &code);
        out = "the target has ended with exit code " + number_text(code);
        return out;
    }
    auto windows = target_windows();
    if (windows.empty()) return "the target shows no visible window";
    out = "visible windows of the target:";
    for (HWND w : windows) {
        out += "\n    ";
        if (is_box(w))
            out += describe_box(w);
        else
            out += show_text(window_title(w)) + " (class " + window_class(w) + ")";
    }
    return out;
}

// Waits until the target's GUI thread has most likely handled what was posted to it. A message
// sent to it is handled when the thread next looks at its queue, ahead of anything posted: the
// first round can come back before the posted message was taken, and so can a later one when the
// target was kept from running between them. Each round makes that less likely; none rules it
// out. A line that must not run before the click took effect waits for what the click shows.
void settle() {
    HWND w =
        g_target.main_window && IsWindow(g_target.main_window) ? g_target.main_window : nullptr;
    if (!w) {
        auto windows = target_windows();
        if (windows.empty()) return;
        w = windows.front();
    }
    DWORD_PTR r;
    for (int round = 0; round < 3; ++round)
        if (!SendMessageTimeoutA(w, WM_NULL, 0, 0, SMTO_NORMAL, kSendTimeoutMs, &r)) return;
}

// Fails the line when no program was started.
static bool need_target() {
    if (!g_target.process) return fail("no program was started (use start first)");
    return true;
}

bool need_main() {
    if (!g_target.main_window) return fail("no main window (use wait-window first)");
    if (!IsWindow(g_target.main_window))
        return fail("the main window is gone; " + describe_target());
    return true;
}

HWND current_box() {
    for (HWND w : target_windows())
        if (is_box(w)) return w;
    return nullptr;
}

void end_started_programs() {
    for (HANDLE h : g_target.started)
        if (WaitForSingleObject(h, 0) == WAIT_TIMEOUT) {
            std::printf("     ending the program started (process %lu)\n",
                        static_cast<unsigned long>(GetProcessId(h)));
            TerminateProcess(h, 1);
            WaitForSingleObject(h, 5000);
        }
}

bool wait_for_window(const Args& a, size_t index, DWORD fallback, DWORD& ms, HWND& found,
                     const std::function<HWND()>& find) {
    if (!need_target() || !parse_ms(a, index, fallback, ms)) return false;
    found = nullptr;
    poll_until(ms, [&] { return (found = find()) != nullptr || !target_running(); });
    return true;
}

// The program that the following lines work with; its windows are looked for anew.
static void set_target(HANDLE process, DWORD process_id) {
    g_target.process = process;
    g_target.process_id = process_id;
    g_target.started.push_back(process);
    g_target.main_window = nullptr;
    g_target.box = nullptr;
}

bool cmd_start(const Args& a) {
    std::string path = windows_path(a[1]);
    std::string command_line = "\"" + path + "\"";
    for (size_t i = 2; i < a.size(); ++i)
        command_line +=
            a[i].find(' ') == std::string::npos && !a[i].empty() ? " " + a[i] : " \"" + a[i] + "\"";
    // Started from Explorer a program runs in its own folder; do the same.
    std::string folder = path.substr(0, path.find_last_of('\\') + 1);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::vector<char> cl(command_line.begin(), command_line.end());
    cl.push_back('\0');
    if (!CreateProcessA(path.c_str(), cl.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &si, &pi))
        return fail("cannot start " + show_text(path) + ": error " + number_text(GetLastError()));
    CloseHandle(pi.hThread);
    set_target(pi.hProcess, pi.dwProcessId);
    return true;
}

// As the system's list of installed programs starts a removal: the command line of the entry's
// UninstallString, run in the system folder.
bool cmd_start_listed(const Args& a) {
    const std::string key = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + a[1];
    HKEY k;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_QUERY_VALUE, &k) != ERROR_SUCCESS)
        return fail("no entry HKLM\\" + key);
    char command[2048] = "";
    DWORD size = sizeof command - 1, type = 0;
    LONG rc = RegQueryValueExA(k, "UninstallString", nullptr, &type,
                               reinterpret_cast<BYTE*>(command), &size);
    RegCloseKey(k);
    if (rc != ERROR_SUCCESS || type != REG_SZ) return fail("no UninstallString in HKLM\\" + key);
    char system[MAX_PATH] = "";
    GetSystemDirectoryA(system, sizeof system);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::printf("     %s, in %s\n", command, system);
    if (!CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, system, &si, &pi))
        return fail("cannot start " + show_text(command) + ": error " +
                    number_text(GetLastError()));
    CloseHandle(pi.hThread);
    set_target(pi.hProcess, pi.dwProcessId);
    return true;
}

bool cmd_wait_window(const Args& a) {
    DWORD ms;
    HWND found;
    if (!wait_for_window(a, 2, kDefaultWaitMs, ms, found, [&]() -> HWND {
            for (HWND w : target_windows())
                if (!is_box(w) && window_title(w) == a[1]) return w;
            return nullptr;
        }))
        return false;
    if (!found)
        return fail("no window " + show_text(a[1]) + " within " + number_text(ms) + " ms; " +
                    describe_target());
    g_target.main_window = found;
    settle();
    return true;
}

// ms_index: where the optional time stands (box has its button word before it).
static bool expect_box(const Args& a, size_t ms_index) {
    DWORD ms;
    HWND box;
    if (!wait_for_window(a, ms_index, kDefaultWaitMs, ms, box, current_box)) return false;
    if (!box)
        return fail("no message box within " + number_text(ms) + " ms (expected " +
                    show_text(a[1]) + ": " + show_text(a[2]) + "); " + describe_target());
    std::string title = window_title(box);
    std::string text = box_text(box);
    bool title_ok = a[1] == "*" || title == a[1];
    bool text_ok = a[2] == "*" || text == a[2];
    if (!title_ok || !text_ok)
        return fail("expected box " + show_text(a[1]) + ": " + show_text(a[2]) + "\n    found " +
                    describe_box(box));
    g_target.box = box;
    return true;
}

bool cmd_expect_box(const Args& a) {
    return expect_box(a, 3);
}

static std::string box_buttons(HWND box) {
    std::string s;
    for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        if (iequals(window_class(c), "Button") && IsWindowVisible(c))
            s += " " + number_text(GetDlgCtrlID(c)) + "=" + show_text(window_title(c));
    return s.empty() ? " (none)" : s;
}

bool cmd_answer_box(const Args& a) {
    if (!need_target()) return false;
    HWND box = g_target.box && IsWindow(g_target.box) && IsWindowVisible(g_target.box)
                   ? g_target.box
                   : current_box();
    if (!box) return fail("no message box is open; " + describe_target());
    int id;
    if (!parse_int(a[1], id)) return fail("not a button number: " + a[1]);
    HWND button = GetDlgItem(box, id);
    if (!button || !IsWindowVisible(button))
        return fail(describe_box(box) + " has no button " + a[1] +
                    "; its buttons:" + box_buttons(box));
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    if (!poll_until(kBoxCloseMs, [&] { return !IsWindow(box) || !IsWindowVisible(box); }))
        return fail(describe_box(box) + " did not close after button " + a[1]);
    g_target.box = nullptr;
    settle();
    return true;
}

bool cmd_box(const Args& a) {
    if (!expect_box(a, 4)) return false;
    return cmd_answer_box({a[0], a[3]});
}

bool cmd_expect_no_box(const Args& a) {
    DWORD ms;
    HWND box;
    if (!wait_for_window(a, 1, 500, ms, box, current_box)) return false;
    if (box) return fail("unexpected " + describe_box(box));
    return true;
}

bool cmd_wait_exit(const Args& a) {
    if (!need_target()) return false;
    uint32_t expected;
    if (!parse_u32(a[1], expected)) return fail("not an exit code: " + a[1]);
    DWORD ms;
    if (!parse_ms(a, 2, kDefaultWaitMs, ms)) return false;
    if (WaitForSingleObject(g_target.process, ms) != WAIT_OBJECT_0)
        return fail("the target is still running after " + number_text(ms) + " ms; " +
                    describe_target());
    DWORD code = 0;
    GetExitCodeProcess(g_target.process, &code);
    if (code != expected) {
        char hex[16];
        std::snprintf(hex, sizeof hex, "0x%08lX", static_cast<unsigned long>(code));
        return fail("the target ended with exit code " + number_text(code) + " (" + hex +
                    "), expected " + number_text(expected));
    }
    g_target.main_window = nullptr;
    g_target.box = nullptr;
    return true;
}

// The first process of the system's list that matches, with its id and its parent's; false when
// there is none (yet).
template <typename Match> static bool find_process(Match matches, DWORD& id, DWORD& parent) {
    HANDLE list = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (list == INVALID_HANDLE_VALUE) return false;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    bool found = false;
    for (BOOL more = Process32First(list, &entry); more && !found;
         more = Process32Next(list, &entry))
        if (matches(entry)) {
            found = true;
            id = entry.th32ProcessID;
            parent = entry.th32ParentProcessID;
        }
    CloseHandle(list);
    return found;
}

// A process whose parent is the given one; 0 when there is none (yet).
static DWORD find_child_process(DWORD parent) {
    DWORD child = 0, its_parent = 0;
    find_process(
        [&](const PROCESSENTRY32& e) {
            return e.th32ParentProcessID == parent && e.th32ProcessID != parent;
        },
        child, its_parent);
    return child;
}

// A process started from the program file of that name (no folder), and its parent; 0 when
// there is none (yet).
static DWORD find_process_named(const std::string& name, DWORD& parent) {
    DWORD found = 0;
    find_process(
        [&](const PROCESSENTRY32& e) {
            const char* file = std::strrchr(e.szExeFile, '\\');
            return lstrcmpiA(file ? file + 1 : e.szExeFile, name.c_str()) == 0;
        },
        found, parent);
    return found;
}

static bool follow_process(DWORD id) {
    HANDLE h = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_TERMINATE |
                               PROCESS_VM_OPERATION | PROCESS_VM_WRITE, // for choose-folder
                           FALSE, id);
    if (!h)
        return fail("cannot open process " + number_text(id) + ": error " +
                    number_text(GetLastError()));
    set_target(h, id);
    return true;
}

// A program that the target had started by someone else (the desktop's shell, so that it does
// not inherit the target's rights): found by its file name, refused when its parent is the target
// itself, and followed like a child otherwise.
bool cmd_follow_started(const Args& a) {
    if (!need_target()) return false;
    DWORD ms;
    if (!parse_ms(a, 2, kDefaultWaitMs, ms)) return false;
    DWORD found = 0, parent = 0;
    poll_until(ms, [&] { return (found = find_process_named(a[1], parent)) != 0; });
    if (!found)
        return fail("no program " + show_text(a[1]) + " was started within " + number_text(ms) +
                    " ms");
    if (parent == g_target.process_id)
        return fail(show_text(a[1]) + " was started by the target itself (process " +
                    number_text(parent) + ")");
    return follow_process(found);
}

// A program that hands its work to a process it starts (the uninstaller's copy of itself in the
// temp folder) is followed there: the child becomes the target, also after its parent ended.
bool cmd_follow_child(const Args& a) {
    if (!need_target()) return false;
    DWORD ms;
    if (!parse_ms(a, 1, kDefaultWaitMs, ms)) return false;
    DWORD child = 0;
    poll_until(ms, [&] { return (child = find_child_process(g_target.process_id)) != 0; });
    if (!child)
        return fail("the target started no program within " + number_text(ms) + " ms; " +
                    describe_target());
    return follow_process(child);
}

bool cmd_expect_window_gone(const Args& a) {
    if (!need_target()) return false;
    DWORD ms;
    if (!parse_ms(a, 1, kDefaultWaitMs, ms)) return false;
    if (poll_until(ms, [] { return target_windows().empty(); })) return true;
    return fail("still there after " + number_text(ms) + " ms; " + describe_target());
}

// A visible top-level window of any process with this title: a program that the target started.
// The system's search ignores case; the title must match exactly.
static bool any_window_titled(const std::string& title) {
    for (HWND w = nullptr; (w = FindWindowExA(nullptr, w, nullptr, title.c_str())) != nullptr;)
        if (IsWindowVisible(w) && !is_box(w) && window_title(w) == title) return true;
    return false;
}

bool cmd_expect_no_any_window(const Args& a) {
    DWORD ms;
    if (!parse_ms(a, 2, 500, ms)) return false;
    if (poll_until(ms, [&] { return any_window_titled(a[1]); }))
        return fail("a program shows the window " + show_text(a[1]));
    return true;
}

// The attacker beside the target (attacker_win32.cpp): started with an event it ends on, so that
// its exit code, the number of its tries at a target that existed, can be read back.
static HANDLE g_attacker = nullptr;
static HANDLE g_attacker_stop = nullptr;

bool cmd_attack_start(const Args& a) {
    if (g_attacker) return fail("an attacker is running already");
    if (a.size() != (a[1] == "link" ? 4u : 3u))
        return fail("attack-start takes STAGED TARGET, link FOLDER POINTS_TO or mutex NAME");
    std::string program;
    if (!lookup_variable("KV_ATTACKER", program)) return fail("KV_ATTACKER is not set");
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    g_attacker_stop = CreateEventA(&inherit, TRUE, FALSE, nullptr);
    if (!g_attacker_stop) return fail("cannot make the attacker's stop event");
    // "mutex NAME": the attacker takes a named mutex; "link FOLDER POINTS_TO": it swaps a folder
    // for a link; otherwise it replaces a file.
    const bool mutex = a[1] == "mutex";
    const bool link = a[1] == "link";
    const std::string staged = windows_path(a[1]);
    std::string command_line = "\"" + program + "\" ";
    if (mutex)
        command_line += "mutex \"" + a[2] + "\" ";
    else if (link)
        command_line += "link \"" + windows_path(a[2]) + "\" \"" + windows_path(a[3]) + "\" ";
    else
        command_line += "replace \"" + staged + "\" \"" + windows_path(a[2]) + "\" ";
    command_line += number_text(reinterpret_cast<uintptr_t>(g_attacker_stop));
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::vector<char> cl(command_line.begin(), command_line.end());
    cl.push_back('\0');
    if (!CreateProcessA(program.c_str(), cl.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &si, &pi)) {
        CloseHandle(g_attacker_stop);
        g_attacker_stop = nullptr;
        return fail("cannot start " + show_text(program) + ": error " +
                    number_text(GetLastError()));
    }
    CloseHandle(pi.hThread);
    g_attacker = pi.hProcess;
    g_target.started.push_back(pi.hProcess); // ended with the rest if the scenario fails
    // The program under test is started next: the mutex must be taken by then.
    if (mutex && !poll_until(kDefaultWaitMs, [&] {
            HANDLE taken = OpenMutexA(SYNCHRONIZE, FALSE, a[2].c_str());
            if (taken) CloseHandle(taken);
            return taken != nullptr;
        }))
        return fail("the attacker did not take the mutex " + show_text(a[2]));
    return true;
}

bool cmd_attack_stop(const Args& a) {
    if (!g_attacker) return fail("no attacker is running (use attack-start first)");
    uint32_t at_least = 0;
    if (a.size() > 1 && !parse_u32(a[1], at_least)) return fail("not a number: " + a[1]);
    SetEvent(g_attacker_stop);
    DWORD tries = 0;
    bool ended = WaitForSingleObject(g_attacker, kDefaultWaitMs) == WAIT_OBJECT_0 &&
                 GetExitCodeProcess(g_attacker, &tries);
    CloseHandle(g_attacker_stop);
    g_attacker = g_attacker_stop = nullptr;
    if (!ended) return fail("the attacker did not end");
    if (tries < at_least)
        return fail("the attacker found its target " + number_text(tries) +
                    " times, expected at least " + number_text(at_least));
    return true;
}
