// kvdriver: carries out one scenario (tests/driver/README.md) against a program under Wine.
// Runs in the same prefix as the program under test, so it shares window handles, the registry
// and drive C: with it.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "driver/snapshot.h"
#include "driver/words.h"

// Scenario variables first, then the few fixed ones, then the environment.
bool lookup_variable(const std::string& name, std::string& value);

namespace {

// Every wait has a bound, so a hung program fails its test instead of hanging it.
constexpr DWORD kDefaultWaitMs = 10000;
// State checks retry this long: a posted click is handled a moment after it was posted.
constexpr DWORD kSettleMs = 1000;
constexpr DWORD kBoxCloseMs = 5000;
constexpr DWORD kSendTimeoutMs = 3000;
constexpr size_t kMaxListedDifferences = 40;

using Args = std::vector<std::string>;

struct DriverState {
    std::map<std::string, std::string> variables;
    HANDLE process = nullptr;
    DWORD process_id = 0;
    std::vector<HANDLE> started; // every program started, ended on failure
    HWND main_window = nullptr;
    HWND box = nullptr;
    std::map<std::string, Snapshot> snapshots;
    SnapshotHashCache hash_cache;
    int line = 0;
    std::string error;
};

DriverState g;

bool fail(const std::string& message) {
    g.error = message;
    return false;
}

std::string number_text(long long v) {
    return std::to_string(v);
}

// ---- process and windows of the target ------------------------------------------------------

bool target_running() {
    return g.process && WaitForSingleObject(g.process, 0) == WAIT_TIMEOUT;
}

std::string window_class(HWND hwnd) {
    char buf[256] = "";
    GetClassNameA(hwnd, buf, sizeof buf);
    return buf;
}

// Reads a control's text through WM_GETTEXT: for controls of another process GetWindowText
// returns the creation caption, not what an edit control holds now.
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

std::string window_title(HWND hwnd) {
    char buf[1024] = "";
    GetWindowTextA(hwnd, buf, sizeof buf);
    return buf;
}

bool is_box(HWND hwnd) {
    return window_class(hwnd) == "#32770";
}

struct WindowSearch {
    DWORD pid;
    std::vector<HWND> found;
};

BOOL CALLBACK collect_window(HWND hwnd, LPARAM p) {
    auto* s = reinterpret_cast<WindowSearch*>(p);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == s->pid && IsWindowVisible(hwnd)) s->found.push_back(hwnd);
    return TRUE;
}

// Visible top-level windows of the target, topmost first.
std::vector<HWND> target_windows() {
    WindowSearch search{g.process_id, {}};
    if (!g.process_id) return {};
    EnumWindows(collect_window, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string box_text(HWND box) {
    std::string text;
    HWND label = GetDlgItem(box, 0xFFFF);
    if (label) control_text(label, text);
    return text;
}

std::string describe_box(HWND box) {
    return "box " + show_text(window_title(box)) + ": " + show_text(box_text(box));
}

// What the target shows right now, for failure messages.
std::string describe_target() {
    if (!g.process) return "no program was started";
    std::string out;
    DWORD code = 0;
    if (!target_running()) {
        GetExitCodeProcess(g.process, &code);
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

// Waits until the target's GUI thread has handled what was posted to it. A message sent to it is
// handled when the thread next looks at its queue; two rounds make sure that a posted message
// which was already waiting has been dispatched and its handler has come back to the queue.
void settle() {
    HWND w = g.main_window && IsWindow(g.main_window) ? g.main_window : nullptr;
    if (!w) {
        auto windows = target_windows();
        if (windows.empty()) return;
        w = windows.front();
    }
    DWORD_PTR r;
    for (int round = 0; round < 2; ++round)
        if (!SendMessageTimeoutA(w, WM_NULL, 0, 0, SMTO_NORMAL, kSendTimeoutMs, &r)) return;
}

bool poll_until(DWORD ms, const std::function<bool()>& done) {
    DWORD start = GetTickCount();
    while (true) {
        if (done()) return true;
        if (GetTickCount() - start >= ms) return false;
        Sleep(10);
    }
}

bool need_target() {
    if (!g.process) return fail("no program was started (use start first)");
    return true;
}

bool need_main() {
    if (!g.main_window) return fail("no main window (use wait-window first)");
    if (!IsWindow(g.main_window)) return fail("the main window is gone; " + describe_target());
    return true;
}

bool gadget(const std::string& word, HWND& hwnd, int& id) {
    if (!need_main()) return false;
    if (!parse_int(word, id)) return fail("not a gadget number: " + word);
    hwnd = GetDlgItem(g.main_window, id);
    if (!hwnd) return fail("the main window has no gadget " + word);
    return true;
}

bool parse_ms(const Args& a, size_t index, DWORD fallback, DWORD& ms) {
    ms = fallback;
    if (a.size() <= index) return true;
    uint32_t v;
    if (!parse_u32(a[index], v)) return fail("not a time in milliseconds: " + a[index]);
    ms = v;
    return true;
}

// Direct children of the main window that are visible, by control id.
std::vector<int> visible_gadgets() {
    std::vector<int> ids;
    for (HWND c = GetWindow(g.main_window, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        if (IsWindowVisible(c)) ids.push_back(GetDlgCtrlID(c));
    std::sort(ids.begin(), ids.end());
    return ids;
}

std::string id_list(const std::vector<int>& ids) {
    std::string s;
    for (int id : ids)
        s += (s.empty() ? "" : " ") + number_text(id);
    return s.empty() ? "(none)" : s;
}

// Retries a state check for kSettleMs; on failure `why` holds the last state seen.
bool check_state(const std::function<bool(std::string& why)>& check) {
    std::string why;
    if (poll_until(kSettleMs, [&] { return check(why); })) return true;
    return fail(why);
}

std::wstring wide(const std::string& s) {
    int n = MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, nullptr, 0);
    std::wstring w(n > 0 ? n : 1, L'\0');
    MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, &w[0], n);
    w.resize(n > 0 ? n - 1 : 0);
    return w;
}

// ---- registry -----------------------------------------------------------------------------

bool split_key(const std::string& path, HKEY& root, std::string& sub) {
    size_t slash = path.find('\\');
    std::string head = path.substr(0, slash);
    sub = slash == std::string::npos ? "" : path.substr(slash + 1);
    static const struct {
        const char* name;
        HKEY key;
    } roots[] = {{"HKLM", HKEY_LOCAL_MACHINE}, {"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
                 {"HKCU", HKEY_CURRENT_USER},  {"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
                 {"HKCR", HKEY_CLASSES_ROOT},  {"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
                 {"HKU", HKEY_USERS},          {"HKEY_USERS", HKEY_USERS}};
    for (const auto& r : roots)
        if (iequals(head, r.name)) {
            root = r.key;
            return true;
        }
    return fail("unknown registry root in " + path + " (HKLM, HKCU, HKCR or HKU)");
}

std::string describe_value(DWORD type, const std::vector<unsigned char>& data) {
    return describe_registry_value(type, data.data(), data.size());
}

bool read_value(const std::string& key, const std::string& name, DWORD& type,
                std::vector<unsigned char>& data, bool& key_exists, bool& value_exists) {
    HKEY root;
    std::string sub;
    if (!split_key(key, root, sub)) return false;
    key_exists = value_exists = false;
    HKEY k;
    if (RegOpenKeyExA(root, sub.c_str(), 0, KEY_QUERY_VALUE, &k) != ERROR_SUCCESS) return true;
    key_exists = true;
    // Read through the UTF-16 call: the ANSI one adds a closing zero that may not be stored.
    std::wstring wide_name = wide(name);
    DWORD size = 0;
    std::vector<unsigned char> raw;
    if (RegQueryValueExW(k, wide_name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
        raw.resize(size);
        if (RegQueryValueExW(k, wide_name.c_str(), nullptr, &type, raw.data(), &size) ==
            ERROR_SUCCESS) {
            raw.resize(size);
            value_exists = true;
        }
    }
    RegCloseKey(k);
    if (value_exists && (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ) &&
        raw.size() % 2 == 0) {
        int units = static_cast<int>(raw.size() / 2);
        std::vector<wchar_t> text(units + 1);
        std::memcpy(text.data(), raw.data(), raw.size());
        int n = WideCharToMultiByte(CP_ACP, 0, text.data(), units, nullptr, 0, nullptr, nullptr);
        data.resize(n > 0 ? n : 0);
        if (n > 0)
            WideCharToMultiByte(CP_ACP, 0, text.data(), units, reinterpret_cast<char*>(data.data()),
                                n, nullptr, nullptr);
    } else {
        data = raw;
    }
    return true;
}

bool write_value(const std::string& key, const std::string& name, DWORD type, const void* data,
                 DWORD size) {
    HKEY root;
    std::string sub;
    if (!split_key(key, root, sub)) return false;
    HKEY k;
    LONG rc =
        RegCreateKeyExA(root, sub.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &k, nullptr);
    if (rc != ERROR_SUCCESS) return fail("cannot create key " + key + ": error " + number_text(rc));
    rc = RegSetValueExA(k, name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(k);
    if (rc != ERROR_SUCCESS) return fail("cannot write value: error " + number_text(rc));
    return true;
}

// A text value without its closing zero, as careless writers leave it. Both RegSetValueEx calls
// add the zero under Wine, so the value goes in through NtSetValueKey, which stores bytes as
// given.
bool write_raw_sz(const std::string& key, const std::string& name, const std::string& value) {
    HKEY root;
    std::string sub;
    if (!split_key(key, root, sub)) return false;
    HKEY k;
    LONG rc =
        RegCreateKeyExA(root, sub.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &k, nullptr);
    if (rc != ERROR_SUCCESS) return fail("cannot create key " + key + ": error " + number_text(rc));
    std::wstring wide_name = wide(name), wide_value = wide(value);
    struct CountedText {
        USHORT length, maximum;
        PWSTR buffer;
    } counted{static_cast<USHORT>(wide_name.size() * sizeof(wchar_t)),
              static_cast<USHORT>(wide_name.size() * sizeof(wchar_t)), &wide_name[0]};
    using SetValueKey = LONG(WINAPI*)(HANDLE, CountedText*, ULONG, ULONG, const void*, ULONG);
    auto set_value = reinterpret_cast<SetValueKey>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtSetValueKey")));
    rc = set_value ? set_value(k, &counted, 0, REG_SZ, wide_value.data(),
                               static_cast<ULONG>(wide_value.size() * sizeof(wchar_t)))
                   : -1;
    RegCloseKey(k);
    if (rc != ERROR_SUCCESS) return fail("cannot write value: error " + number_text(rc));
    return true;
}

bool write_sz(const std::string& key, const std::string& name, const std::string& value) {
    return write_value(key, name, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

// ---- files --------------------------------------------------------------------------------

bool read_whole_file(const std::string& path, std::string& content) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return fail("cannot read " + show_text(path) + ": error " + number_text(GetLastError()));
    content.clear();
    char buf[65536];
    DWORD got;
    while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got > 0)
        content.append(buf, got);
    CloseHandle(h);
    return true;
}

bool make_folders(const std::string& path) {
    for (size_t i = 3; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '\\') {
            std::string part = path.substr(0, i);
            DWORD a = GetFileAttributesA(part.c_str());
            if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY)) continue;
            if (!CreateDirectoryA(part.c_str(), nullptr))
                return fail("cannot create folder " + show_text(part) + ": error " +
                            number_text(GetLastError()));
        }
    }
    return true;
}

// ---- commands -----------------------------------------------------------------------------

bool cmd_set(const Args& a) {
    g.variables[a[1]] = a[2];
    return true;
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
    g.process = pi.hProcess;
    g.process_id = pi.dwProcessId;
    g.started.push_back(pi.hProcess);
    g.main_window = nullptr;
    g.box = nullptr;
    return true;
}

bool cmd_wait_window(const Args& a) {
    if (!need_target()) return false;
    DWORD ms;
    if (!parse_ms(a, 2, kDefaultWaitMs, ms)) return false;
    HWND found = nullptr;
    poll_until(ms, [&] {
        for (HWND w : target_windows())
            if (!is_box(w) && window_title(w) == a[1]) {
                found = w;
                return true;
            }
        return !target_running();
    });
    if (!found)
        return fail("no window " + show_text(a[1]) + " within " + number_text(ms) + " ms; " +
                    describe_target());
    g.main_window = found;
    settle();
    return true;
}

HWND current_box() {
    for (HWND w : target_windows())
        if (is_box(w)) return w;
    return nullptr;
}

bool cmd_expect_box(const Args& a, size_t ms_index = 3) {
    if (!need_target()) return false;
    DWORD ms;
    if (!parse_ms(a, ms_index, kDefaultWaitMs, ms)) return false;
    HWND box = nullptr;
    poll_until(ms, [&] {
        box = current_box();
        return box != nullptr || !target_running();
    });
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
    g.box = box;
    return true;
}

std::string box_buttons(HWND box) {
    std::string s;
    for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        if (iequals(window_class(c), "Button") && IsWindowVisible(c))
            s += " " + number_text(GetDlgCtrlID(c)) + "=" + show_text(window_title(c));
    return s.empty() ? " (none)" : s;
}

bool cmd_answer_box(const Args& a) {
    if (!need_target()) return false;
    HWND box = g.box && IsWindow(g.box) && IsWindowVisible(g.box) ? g.box : current_box();
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
    g.box = nullptr;
    settle();
    return true;
}

bool cmd_box(const Args& a) {
    if (!cmd_expect_box(a, 4)) return false;
    return cmd_answer_box({a[0], a[3]});
}

bool cmd_expect_no_box(const Args& a) {
    if (!need_target()) return false;
    DWORD ms;
    if (!parse_ms(a, 1, 500, ms)) return false;
    HWND box = nullptr;
    poll_until(ms, [&] {
        box = current_box();
        return box != nullptr;
    });
    if (box) return fail("unexpected " + describe_box(box));
    return true;
}

bool cmd_click(const Args& a) {
    HWND h;
    int id;
    if (!gadget(a[1], h, id)) return false;
    // A person cannot click what is hidden or disabled, nor the wizard while a message box
    // holds it; the click then does nothing, as it would for them.
    const char* why = !IsWindowVisible(h)               ? "is hidden"
                      : !IsWindowEnabled(h)             ? "is disabled"
                      : !IsWindowEnabled(g.main_window) ? "is behind a modal window"
                                                        : nullptr;
    if (why) {
        std::printf("     note: gadget %d %s; the click does nothing\n", id, why);
        return true;
    }
    PostMessageA(h, BM_CLICK, 0, 0);
    settle();
    return true;
}

bool cmd_set_text(const Args& a) {
    HWND h;
    int id;
    if (!gadget(a[1], h, id)) return false;
    DWORD_PTR r;
    if (!SendMessageTimeoutA(h, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(a[2].c_str()), SMTO_NORMAL,
                             kSendTimeoutMs, &r))
        return fail("the target did not take the text (it does not answer)");
    settle();
    return true;
}

bool cmd_list_select(const Args& a) {
    HWND h;
    int id, index;
    if (!gadget(a[1], h, id)) return false;
    if (!parse_int(a[2], index)) return fail("not an index: " + a[2]);
    DWORD_PTR r = 0;
    SendMessageTimeoutA(h, LB_SETCURSEL, index, 0, SMTO_NORMAL, kSendTimeoutMs, &r);
    if (static_cast<LRESULT>(r) == LB_ERR && index != -1)
        return fail("the list has no item " + a[2]);
    PostMessageA(GetParent(h), WM_COMMAND, MAKEWPARAM(id, LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(h));
    settle();
    return true;
}

bool cmd_close_window(const Args&) {
    if (!need_main()) return false;
    PostMessageA(g.main_window, WM_CLOSE, 0, 0);
    settle();
    return true;
}

bool cmd_expect_text(const Args& a) {
    HWND h;
    int id;
    if (!gadget(a[1], h, id)) return false;
    return check_state([&](std::string& why) {
        std::string text;
        if (!control_text(h, text)) {
            why = "gadget " + a[1] + " does not answer";
            return false;
        }
        why = "gadget " + a[1] + " shows " + show_text(text) + ", expected " + show_text(a[2]);
        return text == a[2];
    });
}

bool for_each_gadget(const Args& a, const char* expected, const std::function<bool(HWND)>& holds) {
    std::vector<HWND> hwnds;
    for (size_t i = 1; i < a.size(); ++i) {
        HWND h;
        int id;
        if (!gadget(a[i], h, id)) return false;
        hwnds.push_back(h);
    }
    return check_state([&](std::string& why) {
        std::string wrong;
        for (size_t i = 0; i < hwnds.size(); ++i)
            if (!holds(hwnds[i])) wrong += " " + a[i + 1];
        why = "not " + std::string(expected) + ":" + wrong +
              "; visible gadgets: " + id_list(visible_gadgets());
        return wrong.empty();
    });
}

bool cmd_expect_visible(const Args& a) {
    return for_each_gadget(a, "visible", [](HWND h) { return IsWindowVisible(h) != FALSE; });
}
bool cmd_expect_hidden(const Args& a) {
    return for_each_gadget(a, "hidden", [](HWND h) { return !IsWindowVisible(h); });
}
bool cmd_expect_enabled(const Args& a) {
    return for_each_gadget(a, "enabled", [](HWND h) { return IsWindowEnabled(h) != FALSE; });
}
bool cmd_expect_disabled(const Args& a) {
    return for_each_gadget(a, "disabled", [](HWND h) { return !IsWindowEnabled(h); });
}

bool cmd_expect_only_visible(const Args& a) {
    if (!need_main()) return false;
    std::vector<int> expected;
    for (size_t i = 1; i < a.size(); ++i) {
        int id;
        if (!parse_int(a[i], id)) return fail("not a gadget number: " + a[i]);
        expected.push_back(id);
    }
    std::sort(expected.begin(), expected.end());
    return check_state([&](std::string& why) {
        auto found = visible_gadgets();
        std::vector<int> extra, missing;
        std::set_difference(found.begin(), found.end(), expected.begin(), expected.end(),
                            std::back_inserter(extra));
        std::set_difference(expected.begin(), expected.end(), found.begin(), found.end(),
                            std::back_inserter(missing));
        why = "visible gadgets: " + id_list(found) + "; not expected: " + id_list(extra) +
              "; missing: " + id_list(missing);
        return extra.empty() && missing.empty();
    });
}

bool send_query(HWND h, UINT msg, LRESULT& result) {
    DWORD_PTR r = 0;
    if (!SendMessageTimeoutA(h, msg, 0, 0, SMTO_NORMAL, kSendTimeoutMs, &r)) return false;
    result = static_cast<LRESULT>(r);
    return true;
}

bool cmd_expect_checked(const Args& a) {
    HWND h;
    int id, expected;
    if (!gadget(a[1], h, id)) return false;
    if (!parse_int(a[2], expected)) return fail("not a check state: " + a[2]);
    return check_state([&](std::string& why) {
        LRESULT state = -1;
        send_query(h, BM_GETCHECK, state);
        why = "gadget " + a[1] + " has check state " + number_text(state) + ", expected " + a[2];
        return state == expected;
    });
}

bool cmd_expect_progress(const Args& a) {
    HWND h;
    int id, expected;
    if (!gadget(a[1], h, id)) return false;
    if (!parse_int(a[2], expected)) return fail("not a position: " + a[2]);
    return check_state([&](std::string& why) {
        LRESULT pos = -1;
        send_query(h, PBM_GETPOS, pos);
        why = "gadget " + a[1] + " is at " + number_text(pos) + ", expected " + a[2];
        return pos == expected;
    });
}

bool cmd_wait_progress(const Args& a) {
    HWND h;
    int id, expected;
    DWORD ms;
    if (!gadget(a[1], h, id) || !parse_ms(a, 3, kDefaultWaitMs, ms)) return false;
    if (!parse_int(a[2], expected)) return fail("not a position: " + a[2]);
    LRESULT pos = -1;
    if (poll_until(ms, [&] { return send_query(h, PBM_GETPOS, pos) && pos >= expected; }))
        return true;
    std::string box;
    if (HWND b = current_box()) box = "; " + describe_box(b);
    return fail("gadget " + a[1] + " is at " + number_text(pos) + " after " + number_text(ms) +
                " ms, expected " + a[2] + box);
}

std::string narrow(const wchar_t* w) {
    int n = WideCharToMultiByte(CP_ACP, 0, w, -1, nullptr, 0, nullptr, nullptr);
    std::string s(n > 0 ? n : 1, '\0');
    WideCharToMultiByte(CP_ACP, 0, w, -1, &s[0], n, nullptr, nullptr);
    s.resize(n > 0 ? n - 1 : 0);
    return s;
}

bool list_items(HWND h, std::vector<std::string>& items) {
    LRESULT count;
    if (!send_query(h, LB_GETCOUNT, count) || count < 0) return false;
    items.clear();
    for (LRESULT i = 0; i < count; ++i) {
        DWORD_PTR len = 0;
        SendMessageTimeoutA(h, LB_GETTEXTLEN, i, 0, SMTO_NORMAL, kSendTimeoutMs, &len);
        if (static_cast<LRESULT>(len) == LB_ERR) return false;
        // The ANSI LB_GETTEXT from another process comes back in UTF-16 under Wine; ask for
        // UTF-16 and convert it ourselves.
        std::vector<wchar_t> buf(len + 2);
        DWORD_PTR got = 0;
        SendMessageTimeoutW(h, LB_GETTEXT, i, reinterpret_cast<LPARAM>(buf.data()), SMTO_NORMAL,
                            kSendTimeoutMs, &got);
        items.push_back(narrow(buf.data()));
    }
    return true;
}

bool cmd_expect_list(const Args& a) {
    HWND h;
    int id;
    if (!gadget(a[1], h, id)) return false;
    std::vector<std::string> expected(a.begin() + 2, a.end());
    return check_state([&](std::string& why) {
        std::vector<std::string> items;
        if (!list_items(h, items)) {
            why = "gadget " + a[1] + " is not a list";
            return false;
        }
        why = "gadget " + a[1] + " holds " + number_text(items.size()) + " items:";
        for (const auto& item : items)
            why += " " + show_text(item);
        return items == expected;
    });
}

bool cmd_expect_focus(const Args& a) {
    HWND h;
    int id;
    if (!gadget(a[1], h, id)) return false;
    DWORD thread = GetWindowThreadProcessId(g.main_window, nullptr);
    return check_state([&](std::string& why) {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        if (!GetGUIThreadInfo(thread, &info)) {
            why = "cannot read the target's focus";
            return false;
        }
        HWND focus = info.hwndFocus;
        // The focus may sit in a part of a composite control (the edit of a combo box).
        while (focus && GetParent(focus) && GetParent(focus) != g.main_window)
            focus = GetParent(focus);
        if (!info.hwndFocus)
            why = "no gadget has the focus";
        else
            why = "the focus is on gadget " + number_text(GetDlgCtrlID(focus)) + " (class " +
                  window_class(info.hwndFocus) + ")";
        return focus == h;
    });
}

// The window with the keyboard focus in the target's GUI thread, or null.
HWND target_focus() {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    DWORD thread = GetWindowThreadProcessId(g.main_window, nullptr);
    return GetGUIThreadInfo(thread, &info) ? info.hwndFocus : nullptr;
}

bool cmd_key(const Args& a) {
    if (!need_main()) return false;
    static const struct {
        const char* name;
        UINT vk;
    } names[] = {{"TAB", VK_TAB},      {"SPACE", VK_SPACE},   {"RETURN", VK_RETURN},
                 {"ENTER", VK_RETURN}, {"ESCAPE", VK_ESCAPE}, {"LEFT", VK_LEFT},
                 {"RIGHT", VK_RIGHT},  {"UP", VK_UP},         {"DOWN", VK_DOWN},
                 {"HOME", VK_HOME},    {"END", VK_END},       {"DELETE", VK_DELETE},
                 {"BACK", VK_BACK}};
    UINT vk = 0;
    for (const auto& n : names)
        if (iequals(a[1], n.name)) vk = n.vk;
    if (!vk && a[1].size() == 1 &&
        ((a[1][0] >= 'A' && a[1][0] <= 'Z') || (a[1][0] >= '0' && a[1][0] <= '9')))
        vk = static_cast<unsigned char>(a[1][0]);
    if (!vk) return fail("unknown key " + a[1] + " (TAB, SPACE, RETURN, ESCAPE, arrows, A-Z, 0-9)");
    HWND to = nullptr;
    if (a.size() > 2) {
        int id;
        if (!gadget(a[2], to, id)) return false;
    } else {
        to = target_focus();
        if (!to) to = g.main_window;
    }
    // Posted like real input, so that the target's own loop (IsDialogMessage, TranslateMessage)
    // sees the key as it would see a person's.
    LPARAM scan = static_cast<LPARAM>(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC)) << 16;
    PostMessageA(to, WM_KEYDOWN, vk, scan | 1);
    PostMessageA(to, WM_KEYUP, vk, scan | 1 | 0xC0000000);
    settle();
    return true;
}

HWND current_folder_chooser() {
    for (HWND w : target_windows())
        if (is_box(w) && FindWindowExA(w, nullptr, "SysTreeView32", nullptr)) return w;
    return nullptr;
}

bool cmd_choose_folder(const Args& a) {
    if (!need_target()) return false;
    DWORD ms;
    if (!parse_ms(a, 2, kDefaultWaitMs, ms)) return false;
    HWND chooser = nullptr;
    poll_until(ms, [&] { return (chooser = current_folder_chooser()) != nullptr; });
    if (!chooser)
        return fail("no folder chooser within " + number_text(ms) + " ms; " + describe_target());
    // BFFM_SETSELECTION takes a pointer into the chooser's own process: put the path there.
    SIZE_T size = a[1].size() + 1;
    void* remote = VirtualAllocEx(g.process, nullptr, size, MEM_COMMIT, PAGE_READWRITE);
    if (!remote || !WriteProcessMemory(g.process, remote, a[1].c_str(), size, nullptr))
        return fail("cannot hand the path to the target: error " + number_text(GetLastError()));
    // Under load the chooser can show itself before its tree holds the folders, and then the
    // selection does not take: send it until the tree's selection has left the root item.
    HWND tree = FindWindowExA(chooser, nullptr, "SysTreeView32", nullptr);
    bool selected = poll_until(ms, [&] {
        DWORD_PTR r = 0, caret = 0, root = 0;
        SendMessageTimeoutA(chooser, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(remote),
                            SMTO_NORMAL, ms, &r);
        SendMessageTimeoutA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0, SMTO_NORMAL, kSendTimeoutMs,
                            &caret);
        SendMessageTimeoutA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0, SMTO_NORMAL, kSendTimeoutMs,
                            &root);
        return caret != 0 && caret != root;
    });
    HWND ok = GetDlgItem(chooser, IDOK);
    if (!selected || !ok || !IsWindowEnabled(ok)) {
        VirtualFreeEx(g.process, remote, 0, MEM_RELEASE);
        return fail("the folder chooser does not accept " + show_text(a[1]));
    }
    PostMessageA(chooser, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(ok));
    bool closed = poll_until(kBoxCloseMs, [&] { return !IsWindow(chooser); });
    VirtualFreeEx(g.process, remote, 0, MEM_RELEASE);
    if (!closed) return fail("the folder chooser did not close");
    settle();
    return true;
}

bool cmd_screenshot(const Args& a) {
    if (!need_main()) return false;
    std::string folder;
    if (!lookup_variable("KV_SCREENSHOTS", folder) || folder.empty())
        return fail("KV_SCREENSHOTS names no folder");
    settle();
    // Paint what is pending first; the X server shows a window's pixels only once it is painted.
    poll_until(2000, [] {
        if (GetUpdateRect(g.main_window, nullptr, FALSE)) return false;
        for (HWND c = GetWindow(g.main_window, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
            if (IsWindowVisible(c) && GetUpdateRect(c, nullptr, FALSE)) return false;
        return true;
    });
    Sleep(100); // Wine hands painted surfaces to X on its own schedule
    RECT r;
    GetWindowRect(g.main_window, &r);
    if (!make_folders(windows_path(folder))) return false;
    std::string png = folder + "/" + a[1] + ".png";
    std::string marker = folder + "/." + a[1] + ".done";
    std::string errors = folder + "/." + a[1] + ".err";
    DeleteFileA(windows_path(marker).c_str());
    char geometry[64];
    std::snprintf(geometry, sizeof geometry, "%ldx%ld+%ld+%ld", r.right - r.left, r.bottom - r.top,
                  r.left, r.top);
    // A Linux program started through CreateProcess gives no process handle to wait on: it
    // reports its end through a marker file, written whole by a rename.
    std::string command = "Z:\\bin\\sh -c \"import -window root -crop " + std::string(geometry) +
                          " +repage '" + png + "' 2>'" + errors + "'; echo $? >'" + marker +
                          ".tmp'; mv '" + marker + ".tmp' '" + marker + "'\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::vector<char> cl(command.begin(), command.end());
    cl.push_back('\0');
    if (!CreateProcessA(nullptr, cl.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return fail("cannot start /bin/sh for import: error " + number_text(GetLastError()));
    if (pi.hProcess) CloseHandle(pi.hProcess);
    if (pi.hThread) CloseHandle(pi.hThread);
    std::string marker_path = windows_path(marker);
    if (!poll_until(15000, [&] {
            return GetFileAttributesA(marker_path.c_str()) != INVALID_FILE_ATTRIBUTES;
        }))
        return fail("import did not finish within 15 s");
    std::string rc, err;
    read_whole_file(marker_path, rc);
    DeleteFileA(marker_path.c_str());
    std::string err_path = windows_path(errors);
    read_whole_file(err_path, err);
    DeleteFileA(err_path.c_str());
    g.error.clear();
    if (rc.empty() || rc[0] != '0') return fail("import failed: " + err);
    return true;
}

bool cmd_wait_exit(const Args& a) {
    if (!need_target()) return false;
    uint32_t expected;
    if (!parse_u32(a[1], expected)) return fail("not an exit code: " + a[1]);
    DWORD ms;
    if (!parse_ms(a, 2, kDefaultWaitMs, ms)) return false;
    if (WaitForSingleObject(g.process, ms) != WAIT_OBJECT_0)
        return fail("the target is still running after " + number_text(ms) + " ms; " +
                    describe_target());
    DWORD code = 0;
    GetExitCodeProcess(g.process, &code);
    if (code != expected) {
        char hex[16];
        std::snprintf(hex, sizeof hex, "0x%08lX", static_cast<unsigned long>(code));
        return fail("the target ended with exit code " + number_text(code) + " (" + hex +
                    "), expected " + number_text(expected));
    }
    g.main_window = nullptr;
    g.box = nullptr;
    return true;
}

// A process whose parent is the given one; 0 when there is none (yet).
DWORD find_child_process(DWORD parent) {
    HANDLE list = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (list == INVALID_HANDLE_VALUE) return 0;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    DWORD child = 0;
    for (BOOL more = Process32First(list, &entry); more && !child;
         more = Process32Next(list, &entry))
        if (entry.th32ParentProcessID == parent && entry.th32ProcessID != parent)
            child = entry.th32ProcessID;
    CloseHandle(list);
    return child;
}

// A program that hands its work to a process it starts (the uninstaller's copy of itself in the
// temp folder) is followed there: the child becomes the target, also after its parent ended.
bool cmd_follow_child(const Args& a) {
    if (!need_target()) return false;
    DWORD ms;
    if (!parse_ms(a, 1, kDefaultWaitMs, ms)) return false;
    DWORD child = 0;
    poll_until(ms, [&] { return (child = find_child_process(g.process_id)) != 0; });
    if (!child)
        return fail("the target started no program within " + number_text(ms) + " ms; " +
                    describe_target());
    HANDLE h = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_TERMINATE |
                               PROCESS_VM_OPERATION | PROCESS_VM_WRITE, // for choose-folder
                           FALSE, child);
    if (!h)
        return fail("cannot open process " + number_text(child) + ": error " +
                    number_text(GetLastError()));
    g.process = h;
    g.process_id = child;
    g.started.push_back(h);
    g.main_window = nullptr;
    g.box = nullptr;
    return true;
}

bool cmd_expect_window_gone(const Args& a) {
    if (!need_target()) return false;
    DWORD ms;
    if (!parse_ms(a, 1, kDefaultWaitMs, ms)) return false;
    if (poll_until(ms, [] { return target_windows().empty(); })) return true;
    return fail("still there after " + number_text(ms) + " ms; " + describe_target());
}

// A visible top-level window of any process with this title: a program that the target started.
struct TitleSearch {
    const std::string* title;
    bool found;
};

BOOL CALLBACK find_titled_window(HWND hwnd, LPARAM p) {
    auto* s = reinterpret_cast<TitleSearch*>(p);
    if (IsWindowVisible(hwnd) && !is_box(hwnd) && window_title(hwnd) == *s->title) {
        s->found = true;
        return FALSE;
    }
    return TRUE;
}

bool any_window_titled(const std::string& title) {
    TitleSearch search{&title, false};
    EnumWindows(find_titled_window, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool cmd_wait_any_window(const Args& a) {
    DWORD ms;
    if (!parse_ms(a, 2, kDefaultWaitMs, ms)) return false;
    if (poll_until(ms, [&] { return any_window_titled(a[1]); })) return true;
    return fail("no window " + show_text(a[1]) + " of any program within " + number_text(ms) +
                " ms");
}

bool cmd_expect_no_any_window(const Args& a) {
    DWORD ms;
    if (!parse_ms(a, 2, 500, ms)) return false;
    if (poll_until(ms, [&] { return any_window_titled(a[1]); }))
        return fail("a program shows the window " + show_text(a[1]));
    return true;
}

bool cmd_sleep(const Args& a) {
    DWORD ms;
    if (!parse_ms(a, 1, 0, ms)) return false;
    Sleep(ms);
    return true;
}

bool cmd_reg_set(const Args& a) {
    const std::string& type = a[3];
    const std::string& value = a[4];
    if (type == "sz") return write_sz(a[1], a[2], value);
    if (type == "sz-raw") return write_raw_sz(a[1], a[2], value);
    if (type == "expand-sz")
        return write_value(a[1], a[2], REG_EXPAND_SZ, value.c_str(),
                           static_cast<DWORD>(value.size() + 1));
    if (type == "dword") {
        uint32_t v;
        if (!parse_u32(value, v)) return fail("not a number: " + value);
        return write_value(a[1], a[2], REG_DWORD, &v, 4);
    }
    return fail("unknown value type " + type + " (sz, sz-raw, expand-sz or dword)");
}

bool cmd_reg_delete_key(const Args& a) {
    HKEY root;
    std::string sub;
    if (!split_key(a[1], root, sub)) return false;
    if (sub.empty()) return fail("refusing to delete a whole registry root");
    LONG rc = RegDeleteTreeA(root, sub.c_str());
    if (rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND) {
        RegDeleteKeyA(root, sub.c_str());
        return true;
    }
    return fail("cannot delete " + a[1] + ": error " + number_text(rc));
}

bool cmd_winver(const Args& a) {
    static const char* const known[] = {"win95", "nt40", "win98", "winme", "win2k", "winxp",
                                        "vista", "win7", "win8",  "win81", "win10"};
    for (const char* k : known)
        if (a[1] == k) return write_sz("HKCU\\Software\\Wine", "Version", a[1]);
    return fail("unknown Windows version " + a[1] + " (win95, nt40, win98, winxp, win10, ...)");
}

bool cmd_dll_disable(const Args& a) {
    return write_sz("HKCU\\Software\\Wine\\DllOverrides", a[1], "");
}

bool cmd_mkdir(const Args& a) {
    return make_folders(windows_path(a[1]));
}

bool cmd_write_file(const Args& a) {
    std::string path = windows_path(a[1]);
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return fail("cannot write " + show_text(path) + ": error " + number_text(GetLastError()));
    DWORD written = 0;
    BOOL ok = WriteFile(h, a[2].data(), static_cast<DWORD>(a[2].size()), &written, nullptr);
    CloseHandle(h);
    if (!ok || written != a[2].size()) return fail("cannot write " + show_text(path));
    return true;
}

bool cmd_copy_file(const Args& a) {
    std::string from = windows_path(a[1]), to = windows_path(a[2]);
    if (!CopyFileA(from.c_str(), to.c_str(), FALSE))
        return fail("cannot copy " + show_text(from) + " to " + show_text(to) + ": error " +
                    number_text(GetLastError()));
    return true;
}

bool cmd_set_readonly(const Args& a) {
    std::string path = windows_path(a[1]);
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return fail(show_text(path) + " does not exist");
    if (!SetFileAttributesA(path.c_str(), attributes | FILE_ATTRIBUTE_READONLY))
        return fail("cannot make " + show_text(path) + " read-only");
    return true;
}

// Files the driver holds open without sharing, as a running program holds its own executable:
// the program under test can then neither replace, rename nor delete them.
std::map<std::string, HANDLE> g_held_files;

bool cmd_hold_file(const Args& a) {
    std::string path = windows_path(a[1]);
    if (g_held_files.count(path)) return fail(show_text(path) + " is held already");
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return fail("cannot hold " + show_text(path) + ": error " + number_text(GetLastError()));
    g_held_files[path] = h;
    return true;
}

bool cmd_release_file(const Args& a) {
    auto held = g_held_files.find(windows_path(a[1]));
    if (held == g_held_files.end()) return fail(show_text(a[1]) + " is not held");
    CloseHandle(held->second);
    g_held_files.erase(held);
    return true;
}

std::string describe_path(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return "nothing";
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return "a folder";
    unsigned long long size =
        (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return "a file of " + number_text(size) + " bytes";
}

bool cmd_expect_file(const Args& a) {
    std::string path = windows_path(a[1]);
    std::string found = describe_path(path);
    if (found.rfind("a file", 0) != 0)
        return fail("no file " + show_text(path) + " (found " + found + ")");
    if (a.size() > 2 && found != "a file of " + a[2] + " bytes")
        return fail(show_text(path) + " is " + found + ", expected " + a[2] + " bytes");
    return true;
}

bool cmd_expect_no_file(const Args& a) {
    std::string path = windows_path(a[1]);
    std::string found = describe_path(path);
    if (found != "nothing") return fail(show_text(path) + " exists: " + found);
    return true;
}

bool cmd_expect_dir(const Args& a) {
    std::string path = windows_path(a[1]);
    std::string found = describe_path(path);
    if (found != "a folder") return fail("no folder " + show_text(path) + " (found " + found + ")");
    return true;
}

bool cmd_expect_no_dir(const Args& a) {
    std::string path = windows_path(a[1]);
    std::string found = describe_path(path);
    if (found == "a folder") return fail("the folder " + show_text(path) + " exists");
    return true;
}

bool cmd_expect_same_file(const Args& a) {
    std::string ours = windows_path(a[1]), theirs = windows_path(a[2]);
    std::string x, y;
    if (!read_whole_file(ours, x) || !read_whole_file(theirs, y)) return false;
    if (x == y) return true;
    size_t at = 0;
    while (at < x.size() && at < y.size() && x[at] == y[at])
        ++at;
    return fail(show_text(ours) + " (" + number_text(x.size()) + " bytes) differs from " +
                show_text(theirs) + " (" + number_text(y.size()) + " bytes) from byte " +
                number_text(at) + " on");
}

bool cmd_expect_file_lines(const Args& a) {
    std::string path = windows_path(a[1]);
    std::string content;
    if (!read_whole_file(path, content)) return false;
    std::vector<std::string> lines;
    std::string broken;
    if (!split_crlf_lines(content, lines, broken)) return fail(show_text(path) + ": " + broken);
    std::vector<std::string> expected(a.begin() + 2, a.end());
    if (lines == expected) return true;
    std::string why = show_text(path) + " holds " + number_text(lines.size()) + " lines";
    for (size_t i = 0; i < lines.size() || i < expected.size(); ++i) {
        if (i < lines.size() && i < expected.size() && lines[i] == expected[i]) continue;
        why += "; first difference in line " + number_text(i + 1) + ": found " +
               (i < lines.size() ? show_text(lines[i]) : "nothing") + ", expected " +
               (i < expected.size() ? show_text(expected[i]) : "nothing");
        break;
    }
    why += "\n    lines:";
    for (size_t i = 0; i < lines.size() && i < kMaxListedDifferences; ++i)
        why += "\n    " + show_text(lines[i]);
    return fail(why);
}

bool cmd_expect_reg(const Args& a) {
    DWORD type = 0;
    std::vector<unsigned char> data;
    bool key_exists, value_exists;
    if (!read_value(a[1], a[2], type, data, key_exists, value_exists)) return false;
    if (!key_exists) return fail("no key " + a[1]);
    if (!value_exists) return fail("the key " + a[1] + " has no value " + show_text(a[2]));
    std::string expected_detail;
    const std::string& kind = a[3];
    const std::string& v = a[4];
    DWORD want_type;
    std::vector<unsigned char> want;
    if (kind == "sz" || kind == "expand-sz") {
        want_type = kind == "sz" ? REG_SZ : REG_EXPAND_SZ;
        want.assign(v.begin(), v.end());
        want.push_back(0);
    } else if (kind == "sz-raw") {
        want_type = REG_SZ;
        want.assign(v.begin(), v.end());
    } else if (kind == "dword") {
        uint32_t n;
        if (!parse_u32(v, n)) return fail("not a number: " + v);
        want_type = REG_DWORD;
        want.resize(4);
        std::memcpy(want.data(), &n, 4);
    } else {
        return fail("unknown value type " + kind + " (sz, sz-raw, expand-sz or dword)");
    }
    if (type == want_type && data == want) return true;
    return fail(a[1] + " " + show_text(a[2]) + " is " + describe_value(type, data) + ", expected " +
                describe_value(want_type, want));
}

bool cmd_expect_no_reg(const Args& a) {
    if (a.size() == 2) {
        HKEY root, k;
        std::string sub;
        if (!split_key(a[1], root, sub)) return false;
        if (RegOpenKeyExA(root, sub.c_str(), 0, KEY_READ, &k) == ERROR_SUCCESS) {
            RegCloseKey(k);
            return fail("the key " + a[1] + " exists");
        }
        return true;
    }
    DWORD type = 0;
    std::vector<unsigned char> data;
    bool key_exists, value_exists;
    if (!read_value(a[1], a[2], type, data, key_exists, value_exists)) return false;
    if (value_exists)
        return fail(a[1] + " " + show_text(a[2]) + " exists: " + describe_value(type, data));
    return true;
}

bool split_icon(const std::string& word, std::string& path, int& index) {
    size_t comma = word.rfind(',');
    if (comma == std::string::npos || !parse_int(word.substr(comma + 1), index))
        return fail("an icon is written PATH,INDEX: " + word);
    path = word.substr(0, comma);
    return true;
}

struct LinkFields {
    std::string target, description, icon, arguments, folder;
    int show = 0;
};

bool cmd_expect_lnk(const Args& a) {
    std::string path = windows_path(a[1]);
    IShellLinkA* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link))))
        return fail("cannot create a shell link object");
    IPersistFile* file = nullptr;
    LinkFields found;
    HRESULT loaded = E_FAIL;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        loaded = file->Load(wide(path).c_str(), STGM_READ);
        file->Release();
    }
    if (SUCCEEDED(loaded)) {
        char buf[MAX_PATH * 2] = "";
        link->GetPath(buf, sizeof buf, nullptr, SLGP_RAWPATH);
        found.target = buf;
        buf[0] = 0;
        link->GetDescription(buf, sizeof buf);
        found.description = buf;
        buf[0] = 0;
        int index = 0;
        link->GetIconLocation(buf, sizeof buf, &index);
        found.icon = std::string(buf) + "," + number_text(index);
        buf[0] = 0;
        link->GetArguments(buf, sizeof buf);
        found.arguments = buf;
        buf[0] = 0;
        link->GetWorkingDirectory(buf, sizeof buf);
        found.folder = buf;
        link->GetShowCmd(&found.show);
        // Wine's link object answers 1 after Load whatever the file holds; the show command is
        // the header field at offset 60 of the file, so read it from there.
        std::string bytes;
        if (read_whole_file(path, bytes) && bytes.size() >= 64 && bytes[0] == 0x4C)
            std::memcpy(&found.show, bytes.data() + 60, 4);
    }
    link->Release();
    if (FAILED(loaded))
        return fail("cannot load the link " + show_text(path) + " (" + describe_path(path) + ")");
    const std::string fields[] = {found.target,    found.description,
                                  found.icon,      number_text(found.show),
                                  found.arguments, found.folder};
    static const char* const names[] = {"target",       "description", "icon",
                                        "show command", "arguments",   "working folder"};
    std::string wrong;
    for (size_t i = 0; i < 6 && i + 2 < a.size(); ++i)
        if (a[i + 2] != "*" && a[i + 2] != fields[i])
            wrong += "\n    " + std::string(names[i]) + " " + show_text(fields[i]) + ", expected " +
                     show_text(a[i + 2]);
    if (!wrong.empty()) return fail("the link " + show_text(path) + " differs:" + wrong);
    return true;
}

bool cmd_make_lnk(const Args& a) {
    std::string path = windows_path(a[1]);
    std::string icon_path;
    int icon_index = 0, show = 1;
    if (!split_icon(a[4], icon_path, icon_index)) return false;
    if (!parse_int(a[5], show)) return fail("not a show command: " + a[5]);
    IShellLinkA* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link))))
        return fail("cannot create a shell link object");
    link->SetPath(a[2].c_str());
    link->SetDescription(a[3].c_str());
    link->SetIconLocation(icon_path.c_str(), icon_index);
    link->SetShowCmd(show);
    if (a.size() > 6) link->SetArguments(a[6].c_str());
    if (a.size() > 7) link->SetWorkingDirectory(a[7].c_str());
    IPersistFile* file = nullptr;
    HRESULT saved = E_FAIL;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        saved = file->Save(wide(path).c_str(), TRUE);
        file->Release();
    }
    link->Release();
    if (FAILED(saved)) return fail("cannot save the link " + show_text(path));
    return true;
}

bool cmd_snapshot(const Args& a) {
    Snapshot snapshot;
    std::string error;
    DWORD start = GetTickCount();
    SnapshotStats stats;
    if (!take_snapshot(snapshot, g.hash_cache, stats, error)) return fail(error);
    std::printf("     snapshot %s: %lu files (%.1f MB hashed) in %lu ms, %lu keys and %lu values "
                "in %lu ms\n",
                a[1].c_str(), static_cast<unsigned long>(stats.files),
                stats.bytes_hashed / 1048576.0, stats.files_ms,
                static_cast<unsigned long>(stats.keys), static_cast<unsigned long>(stats.values),
                static_cast<unsigned long>(GetTickCount() - start - stats.files_ms));
    g.snapshots[a[1]] = std::move(snapshot);
    return true;
}

bool cmd_expect_snapshot(const Args& a) {
    auto it = g.snapshots.find(a[1]);
    if (it == g.snapshots.end()) return fail("no snapshot named " + a[1]);
    Snapshot now;
    std::string error;
    SnapshotStats stats;
    if (!take_snapshot(now, g.hash_cache, stats, error)) return fail(error);
    std::vector<std::string> excludes(a.begin() + 2, a.end());
    for (auto& e : excludes)
        e = windows_path(e);
    // Wine's own bookkeeping, which changes when any program opens a window.
    excludes.push_back("HKCU\\Software\\Wine\\Temporary System Parameters");
    SnapshotDiff diff = compare_snapshots(it->second, now, excludes, kMaxListedDifferences);
    if (diff.total == 0) return true;
    std::string why = number_text(diff.total) + " differences from snapshot " + a[1] + ":";
    for (const auto& line : diff.lines)
        why += "\n    " + line;
    if (diff.total > diff.lines.size())
        why += "\n    ... and " + number_text(diff.total - diff.lines.size()) + " more";
    return fail(why);
}

bool cmd_special_folder(const Args& a) {
    int csidl;
    if (!parse_int(a[2], csidl)) return fail("not a CSIDL number: " + a[2]);
    char buf[MAX_PATH] = "";
    if (FAILED(SHGetFolderPathA(nullptr, csidl, nullptr, 0, buf)) || !buf[0])
        return fail("no special folder " + a[2]);
    g.variables[a[1]] = buf;
    return true;
}

struct Command {
    const char* name;
    size_t min_args; // words after the command
    size_t max_args; // SIZE_MAX: any number
    bool (*run)(const Args&);
    const char* usage;
};

constexpr size_t kAny = static_cast<size_t>(-1);

bool run_expect_box(const Args& a) {
    return cmd_expect_box(a);
}

const Command kCommands[] = {
    {"set", 2, 2, cmd_set, "NAME VALUE"},
    {"reg-set", 4, 4, cmd_reg_set, "ROOT\\KEY NAME sz|dword|sz-raw|expand-sz VALUE"},
    {"reg-delete-key", 1, 1, cmd_reg_delete_key, "ROOT\\KEY"},
    {"winver", 1, 1, cmd_winver, "win95|nt40|win98|winme|win2k|winxp|win7|win10"},
    {"dll-disable", 1, 1, cmd_dll_disable, "NAME"},
    {"mkdir", 1, 1, cmd_mkdir, "PATH"},
    {"write-file", 2, 2, cmd_write_file, "PATH TEXT"},
    {"copy-file", 2, 2, cmd_copy_file, "FROM TO"},
    {"set-readonly", 1, 1, cmd_set_readonly, "PATH"},
    {"hold-file", 1, 1, cmd_hold_file, "PATH"},
    {"release-file", 1, 1, cmd_release_file, "PATH"},
    {"start", 1, kAny, cmd_start, "PATH [ARGS...]"},
    {"wait-window", 1, 2, cmd_wait_window, "TITLE [MS]"},
    {"expect-box", 2, 3, run_expect_box, "TITLE TEXT [MS]"},
    {"answer-box", 1, 1, cmd_answer_box, "BUTTON"},
    {"box", 3, 4, cmd_box, "TITLE TEXT BUTTON [MS]"},
    {"expect-no-box", 0, 1, cmd_expect_no_box, "[MS]"},
    {"click", 1, 1, cmd_click, "GADGET"},
    {"set-text", 2, 2, cmd_set_text, "GADGET TEXT"},
    {"list-select", 2, 2, cmd_list_select, "GADGET INDEX"},
    {"close-window", 0, 0, cmd_close_window, ""},
    {"expect-text", 2, 2, cmd_expect_text, "GADGET TEXT"},
    {"expect-visible", 1, kAny, cmd_expect_visible, "IDS..."},
    {"expect-hidden", 1, kAny, cmd_expect_hidden, "IDS..."},
    {"expect-only-visible", 0, kAny, cmd_expect_only_visible, "IDS..."},
    {"expect-enabled", 1, kAny, cmd_expect_enabled, "IDS..."},
    {"expect-disabled", 1, kAny, cmd_expect_disabled, "IDS..."},
    {"expect-checked", 2, 2, cmd_expect_checked, "GADGET 0|1"},
    {"expect-progress", 2, 2, cmd_expect_progress, "GADGET VALUE"},
    {"wait-progress", 2, 3, cmd_wait_progress, "GADGET VALUE [MS]"},
    {"expect-list", 1, kAny, cmd_expect_list, "GADGET ITEMS..."},
    {"expect-focus", 1, 1, cmd_expect_focus, "GADGET"},
    {"key", 1, 2, cmd_key, "KEY [GADGET]"},
    {"choose-folder", 1, 2, cmd_choose_folder, "PATH [MS]"},
    {"screenshot", 1, 1, cmd_screenshot, "NAME"},
    {"wait-exit", 1, 2, cmd_wait_exit, "CODE [MS]"},
    {"expect-window-gone", 0, 1, cmd_expect_window_gone, "[MS]"},
    {"wait-any-window", 1, 2, cmd_wait_any_window, "TITLE [MS]"},
    {"expect-no-any-window", 1, 2, cmd_expect_no_any_window, "TITLE [MS]"},
    {"follow-child", 0, 1, cmd_follow_child, "[MS]"},
    {"sleep", 1, 1, cmd_sleep, "MS"},
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
    {"expect-snapshot", 1, kAny, cmd_expect_snapshot, "NAME [EXCLUDE...]"},
    {"special-folder", 2, 2, cmd_special_folder, "VAR CSIDL"},
};

const Command* find_command(const std::string& name) {
    for (const auto& c : kCommands)
        if (name == c.name) return &c;
    return nullptr;
}

// Runs one line; false with g.error set when it fails.
bool run_line(const std::string& line) {
    std::vector<std::string> raw;
    std::string error;
    if (!split_words(line, raw, error)) return fail(error);
    const Command* command = find_command(raw[0]);
    if (!command) return fail("unknown command " + raw[0]);
    Args args{raw[0]};
    for (size_t i = 1; i < raw.size(); ++i) {
        std::string text, expanded;
        if (!utf8_to_cp1252(raw[i], text, error)) return fail(error);
        if (!expand_variables(text, lookup_variable, expanded, error)) return fail(error);
        args.push_back(expanded);
    }
    size_t n = args.size() - 1;
    if (n < command->min_args || n > command->max_args)
        return fail("usage: " + std::string(command->name) + " " + command->usage);
    return command->run(args);
}

void end_started_programs() {
    for (HANDLE h : g.started)
        if (WaitForSingleObject(h, 0) == WAIT_TIMEOUT) {
            std::printf("     ending the program started (process %lu)\n",
                        static_cast<unsigned long>(GetProcessId(h)));
            TerminateProcess(h, 1);
            WaitForSingleObject(h, 5000);
        }
}

} // namespace

bool lookup_variable(const std::string& name, std::string& value) {
    auto it = g.variables.find(name);
    if (it != g.variables.end()) {
        value = it->second;
        return true;
    }
    if (name == "CR" || name == "LF" || name == "CRLF" || name == "TAB") {
        value = name == "CR" ? "\r" : name == "LF" ? "\n" : name == "CRLF" ? "\r\n" : "\t";
        return true;
    }
    char buf[32768];
    DWORD n = GetEnvironmentVariableA(name.c_str(), buf, sizeof buf);
    if (n == 0 || n >= sizeof buf) return false;
    value.assign(buf, n);
    return true;
}

int main(int argc, char** argv) {
    setvbuf(stdout, nullptr, _IONBF, 0);
    if (argc != 2) {
        std::printf("usage: kvdriver SCENARIO\n");
        return 2;
    }
    std::string content;
    std::string path = windows_path(argv[1]);
    if (!read_whole_file(path, content)) {
        std::printf("FAIL line 0: %s\n", g.error.c_str());
        return 1;
    }
    if (content.compare(0, 3, "\xEF\xBB\xBF") == 0) content.erase(0, 3);
    CoInitialize(nullptr);
    DWORD start = GetTickCount();
    int passed = 0;
    size_t pos = 0;
    while (pos < content.size()) {
        size_t end = content.find('\n', pos);
        if (end == std::string::npos) end = content.size();
        std::string line = content.substr(pos, end - pos);
        pos = end + 1;
        ++g.line;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#') continue;
        std::printf("%4d %s\n", g.line, line.c_str());
        if (!run_line(line)) {
            std::printf("FAIL line %d: %s\n", g.line, g.error.c_str());
            end_started_programs();
            std::printf("%d passed, 1 failed\n", passed);
            return 1;
        }
        ++passed;
    }
    end_started_programs();
    std::printf("scenario took %lu ms\n", static_cast<unsigned long>(GetTickCount() - start));
    std::printf("%d passed, 0 failed\n", passed);
    return 0;
}
