// The driver's commands for the controls of the target's main window ("gadgets", by control id):
// clicks, text, lists, their state, the folder chooser, and screenshots of the window.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

#include "driver/driver.h"
#include "driver/words.h"
#include "win32/test_linux.h"

// State checks retry this long: a posted click is handled a moment after it was posted.
constexpr DWORD kSettleMs = 1000;

static bool gadget(const std::string& word, HWND& hwnd) {
    int id;
    if (!need_main()) return false;
    if (!parse_int(word, id)) return fail("not a gadget number: " + word);
    hwnd = GetDlgItem(g_target.main_window, id);
    if (!hwnd) return fail("the main window has no gadget " + word);
    return true;
}

static std::vector<int> visible_gadgets() {
    std::vector<int> ids;
    for (HWND c = GetWindow(g_target.main_window, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        if (IsWindowVisible(c)) ids.push_back(GetDlgCtrlID(c));
    std::sort(ids.begin(), ids.end());
    return ids;
}

static std::string id_list(const std::vector<int>& ids) {
    std::string s;
    for (int id : ids)
        s += (s.empty() ? "" : " ") + number_text(id);
    return s.empty() ? "(none)" : s;
}

// Retries a state check for kSettleMs; on failure `why` holds the last state seen.
static bool check_state(const std::function<bool(std::string& why)>& check) {
    std::string why;
    if (poll_until(kSettleMs, [&] { return check(why); })) return true;
    return fail(why);
}

bool cmd_click(const Args& a) {
    HWND h;
    if (!gadget(a[1], h)) return false;
    // A person cannot click what is hidden or disabled, nor the wizard while a message box
    // holds it; the click then does nothing, as it would for them.
    const char* why = !IsWindowVisible(h)                      ? "is hidden"
                      : !IsWindowEnabled(h)                    ? "is disabled"
                      : !IsWindowEnabled(g_target.main_window) ? "is behind a modal window"
                                                               : nullptr;
    if (why) {
        std::printf("     note: gadget %s %s; the click does nothing\n", a[1].c_str(), why);
        return true;
    }
    PostMessageA(h, BM_CLICK, 0, 0);
    settle();
    return true;
}

bool cmd_set_text(const Args& a) {
    HWND h;
    if (!gadget(a[1], h)) return false;
    DWORD_PTR r;
    if (!SendMessageTimeoutA(h, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(a[2].c_str()), SMTO_NORMAL,
                             kSendTimeoutMs, &r))
        return fail("the target did not take the text (it does not answer)");
    settle();
    return true;
}

bool cmd_list_select(const Args& a) {
    HWND h;
    int index;
    if (!gadget(a[1], h)) return false;
    if (!parse_int(a[2], index)) return fail("not an index: " + a[2]);
    DWORD_PTR r = 0;
    SendMessageTimeoutA(h, LB_SETCURSEL, index, 0, SMTO_NORMAL, kSendTimeoutMs, &r);
    if (static_cast<LRESULT>(r) == LB_ERR && index != -1)
        return fail("the list has no item " + a[2]);
    PostMessageA(GetParent(h), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(h), LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(h));
    settle();
    return true;
}

bool cmd_close_window(const Args&) {
    if (!need_main()) return false;
    PostMessageA(g_target.main_window, WM_CLOSE, 0, 0);
    settle();
    return true;
}

bool cmd_expect_text(const Args& a) {
    HWND h;
    if (!gadget(a[1], h)) return false;
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

static bool for_each_gadget(const Args& a, const char* expected,
                            const std::function<bool(HWND)>& holds) {
    std::vector<HWND> hwnds;
    for (size_t i = 1; i < a.size(); ++i) {
        HWND h;
        if (!gadget(a[i], h)) return false;
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

static bool send_query(HWND h, UINT msg, LRESULT& result) {
    DWORD_PTR r = 0;
    if (!SendMessageTimeoutA(h, msg, 0, 0, SMTO_NORMAL, kSendTimeoutMs, &r)) return false;
    result = static_cast<LRESULT>(r);
    return true;
}

// The number that `query` reads from gadget a[1] is a[2] (`kind` names such a number, `state`
// says how the gadget holds it).
static bool expect_number(const Args& a, UINT query, const char* kind, const char* state) {
    HWND h;
    int expected;
    if (!gadget(a[1], h)) return false;
    if (!parse_int(a[2], expected)) return fail("not " + std::string(kind) + ": " + a[2]);
    return check_state([&](std::string& why) {
        LRESULT value = -1;
        send_query(h, query, value);
        why = "gadget " + a[1] + " " + state + " " + number_text(value) + ", expected " + a[2];
        return value == expected;
    });
}

bool cmd_expect_checked(const Args& a) {
    return expect_number(a, BM_GETCHECK, "a check state", "has check state");
}

bool cmd_expect_progress(const Args& a) {
    return expect_number(a, PBM_GETPOS, "a position", "is at");
}

bool cmd_wait_progress(const Args& a) {
    HWND h;
    int expected;
    DWORD ms;
    if (!gadget(a[1], h) || !parse_ms(a, 3, kDefaultWaitMs, ms)) return false;
    if (!parse_int(a[2], expected)) return fail("not a position: " + a[2]);
    LRESULT pos = -1;
    if (poll_until(ms, [&] { return send_query(h, PBM_GETPOS, pos) && pos >= expected; }))
        return true;
    std::string box;
    if (HWND b = current_box()) box = "; " + describe_box(b);
    return fail("gadget " + a[1] + " is at " + number_text(pos) + " after " + number_text(ms) +
                " ms, expected " + a[2] + box);
}

static bool list_items(HWND h, std::vector<std::string>& items) {
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
    if (!gadget(a[1], h)) return false;
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
    if (!gadget(a[1], h)) return false;
    DWORD thread = GetWindowThreadProcessId(g_target.main_window, nullptr);
    return check_state([&](std::string& why) {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        if (!GetGUIThreadInfo(thread, &info)) {
            why = "cannot read the target's focus";
            return false;
        }
        HWND focus = info.hwndFocus;
        // The focus may sit in a part of a composite control (the edit of a combo box).
        while (focus && GetParent(focus) && GetParent(focus) != g_target.main_window)
            focus = GetParent(focus);
        if (!info.hwndFocus)
            why = "no gadget has the focus";
        else
            why = "the focus is on gadget " + number_text(GetDlgCtrlID(focus)) + " (class " +
                  window_class(info.hwndFocus) + ")";
        return focus == h;
    });
}

// Real input goes through the X server, as a person's does (xdotool, run on the Linux side):
// to whatever lies under the pointer and to the window with the keyboard focus, and through
// every guard of the target that posted messages pass by.
static bool run_xdotool(const std::string& arguments) {
    LinuxRun run = run_linux_command("xdotool " + arguments, 15000);
    if (!run.started) return fail("cannot start /bin/sh for xdotool");
    if (!run.finished) return fail("xdotool did not finish within 15 s");
    if (run.status != 0) return fail("xdotool failed: " + run.output);
    return true;
}

// Between the clicks of a double-click; well within every double-click time.
constexpr DWORD kDoubleClickGapMs = 120;
// Message times and the driver's clock may differ by a tick or two.
constexpr DWORD kClockMarginMs = 100;

bool cmd_real_click(const Args& a) {
    HWND h;
    int count = 1;
    if (!gadget(a[1], h)) return false;
    if (a.size() > 2 && (!parse_int(a[2], count) || count < 1 || count > 10))
        return fail("not a click count: " + a[2]);
    if (!IsWindowVisible(h)) return fail("gadget " + a[1] + " is hidden: nothing to aim at");
    // The wizard holds back clicks that come within the double-click time of a page change, and
    // a person's deliberate click comes later than that: the page the previous line showed gets
    // that long first.
    DWORD double_click = GetDoubleClickTime();
    std::printf("     note: waiting the double-click time, %lu ms, first\n",
                static_cast<unsigned long>(double_click));
    Sleep(double_click + kClockMarginMs);
    // Without a window manager Wine's screen coordinates are the X screen's.
    RECT r;
    GetWindowRect(h, &r);
    return run_xdotool("mousemove " + number_text((r.left + r.right) / 2) + " " +
                       number_text((r.top + r.bottom) / 2) + " click --repeat " +
                       number_text(count) + " --delay " + number_text(kDoubleClickGapMs) + " 1");
}

bool cmd_real_keys(const Args& a) {
    if (!need_main()) return false;
    std::string keys;
    for (size_t i = 1; i < a.size(); ++i) {
        // Key names such as Tab, shift+Tab, space: nothing the shell would read.
        for (char c : a[i])
            if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '_')
                return fail("not a key name: " + a[i]);
        keys += " " + a[i];
    }
    return run_xdotool("key --delay 40" + keys);
}

static HWND current_folder_chooser() {
    for (HWND w : target_windows())
        if (is_box(w) && FindWindowExA(w, nullptr, "SysTreeView32", nullptr)) return w;
    return nullptr;
}

bool cmd_choose_folder(const Args& a) {
    DWORD ms;
    HWND chooser;
    if (!wait_for_window(a, 2, kDefaultWaitMs, ms, chooser, current_folder_chooser)) return false;
    if (!chooser)
        return fail("no folder chooser within " + number_text(ms) + " ms; " + describe_target());
    // BFFM_SETSELECTION takes a pointer into the chooser's own process: put the path there.
    SIZE_T size = a[1].size() + 1;
    void* remote = VirtualAllocEx(g_target.process, nullptr, size, MEM_COMMIT, PAGE_READWRITE);
    if (!remote || !WriteProcessMemory(g_target.process, remote, a[1].c_str(), size, nullptr))
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
        VirtualFreeEx(g_target.process, remote, 0, MEM_RELEASE);
        return fail("the folder chooser does not accept " + show_text(a[1]));
    }
    PostMessageA(chooser, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(ok));
    bool closed = poll_until(kBoxCloseMs, [&] { return !IsWindow(chooser); });
    VirtualFreeEx(g_target.process, remote, 0, MEM_RELEASE);
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
        if (GetUpdateRect(g_target.main_window, nullptr, FALSE)) return false;
        for (HWND c = GetWindow(g_target.main_window, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
            if (IsWindowVisible(c) && GetUpdateRect(c, nullptr, FALSE)) return false;
        return true;
    });
    Sleep(100); // Wine hands painted surfaces to X on its own schedule
    if (!make_folders(windows_path(folder))) return false;
    LinuxRun run =
        run_linux_command(screenshot_command(g_target.main_window, folder + "/" + a[1] + ".png"),
                          15000, windows_path(folder));
    if (!run.started) return fail("cannot start /bin/sh for import");
    if (!run.finished) return fail("import did not finish within 15 s");
    if (run.status != 0) return fail("import failed: " + run.output);
    return true;
}
