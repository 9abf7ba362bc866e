#include "ui/toolkit.h"

#include <commctrl.h>
#include <richedit.h>
#include <algorithm>
#include <cstring>
#include <vector>

#include "services/system_library.h"

namespace {

enum class Kind {
    kNone,
    kButton,
    kCheckbox,
    kLabel,
    kFrame,
    kLineEdit,
    kListBox,
    kRichViewer,
    kPictureView,
    kProgressBar
};

struct GadgetEntry {
    HWND handle = nullptr;
    Kind kind = Kind::kNone;
    bool named = false; // its window text is a name for screen readers, not what it shows
};

struct WindowEntry {
    HWND handle = nullptr;
    char class_name[32] = {};
    HACCEL accelerators = nullptr;
    HWND last_focus = nullptr; // the gadget that had the focus when the window was deactivated
};

constexpr size_t kInitialGadgets = 30;
constexpr size_t kGadgetHeadroom = 30;
constexpr WORD kFocusForward = 1212;
constexpr WORD kFocusBackward = 1213;
// Posted to itself on WM_SIZE, so that the size event is raised from the message loop and not in
// the middle of whatever call resized the window.
constexpr UINT kSizeChanged = WM_APP + 5;
constexpr int kTextLimit = 32000;
constexpr int kEditorTextLimit = 64000;

std::vector<GadgetEntry> gadgets;
std::vector<WindowEntry> windows;
HWND gadget_parent = nullptr;
HFONT gui_font = nullptr;
bool started = false;
HMODULE rich_edit_library = nullptr;
const char* rich_edit_class = nullptr;
bool rich_edit_tried = false;

int pending_event = 0;
int last_source = 0;

// The click guard: mouse clicks on the toolkit's windows that carry a message time before
// clicks_held_from + the double-click time are dropped.
bool clicks_held = false;
DWORD clicks_held_from = 0;

// The progress bar's class lives in COMCTL32, which is no KnownDLL: imported by name, a copy
// planted beside the installer would be loaded before any of our code runs. So it is loaded from
// the system folder here, and kept until the process ends. The original library of Windows 95
// has only the plain InitCommonControls, which registers the same progress bar class.
void init_common_controls() {
    static HMODULE library = nullptr;
    if (library) return;
    library = load_system_library("COMCTL32.DLL");
    if (!library) return;
    using InitEx = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    using InitPlain = void(WINAPI*)();
    auto init_ex = optional_function<InitEx>(library, "InitCommonControlsEx");
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    if (init_ex && init_ex(&controls)) return;
    auto init = optional_function<InitPlain>(library, "InitCommonControls");
    if (init) init();
}

void start() {
    if (started) return;
    started = true;
    init_common_controls();
    gadgets.assign(kInitialGadgets, GadgetEntry{});
    gui_font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

GadgetEntry* gadget(int number) {
    if (number < 0 || size_t(number) >= gadgets.size()) return nullptr;
    GadgetEntry& g = gadgets[number];
    if (!g.handle) return nullptr;
    // A control destroyed behind the table's back (its parent went away) counts as absent.
    if (!IsWindow(g.handle)) {
        g = GadgetEntry{};
        return nullptr;
    }
    return &g;
}

WindowEntry* window_of(HWND handle) {
    for (WindowEntry& w : windows)
        if (w.handle && w.handle == handle) return &w;
    return nullptr;
}

void forget_control(HWND control) {
    for (GadgetEntry& g : gadgets)
        if (g.handle == control) g = GadgetEntry{};
}

bool is_list_box(HWND control) {
    char name[16] = {};
    GetClassNameA(control, name, sizeof(name));
    return std::strncmp(name, "List", 4) == 0;
}

struct ChildWalk {
    HWND parent;
    std::vector<HWND> children;
};

BOOL CALLBACK collect_child(HWND child, LPARAM data) {
    ChildWalk* walk = reinterpret_cast<ChildWalk*>(data);
    if (GetParent(child) == walk->parent) walk->children.push_back(child);
    return TRUE;
}

bool is_tab_stop(HWND control) {
    return (GetWindowLongA(control, GWL_STYLE) & WS_TABSTOP) && IsWindowVisible(control) &&
           IsWindowEnabled(control);
}

bool holds_focus(HWND control) {
    HWND focus = GetFocus();
    return focus && (focus == control || IsChild(control, focus));
}

// The tab stop after (or before) `from` in the order of the window's children (their Z order),
// wrapping round; the first (or last) one when `from` is none of them. `from` need not be a tab
// stop itself any more: a gadget that is being hidden or disabled hands the focus on from its
// place in the order.
HWND neighbour_tab_stop(HWND window, HWND from, bool forwards) {
    ChildWalk walk{window, {}};
    EnumChildWindows(window, collect_child, reinterpret_cast<LPARAM>(&walk));
    const std::vector<HWND>& c = walk.children;
    int n = int(c.size());
    int at = -1;
    for (int i = 0; i < n && from; ++i)
        if (c[i] == from || IsChild(c[i], from)) at = i;
    for (int step = 1; step <= n; ++step) {
        int i;
        if (at < 0)
            i = forwards ? step - 1 : n - step;
        else
            i = forwards ? (at + step) % n : (at - step + n) % n;
        if (is_tab_stop(c[i])) return c[i];
    }
    return nullptr;
}

Kind kind_of(HWND control) {
    for (const GadgetEntry& g : gadgets)
        if (g.handle && g.handle == control) return g.kind;
    return Kind::kNone;
}

// Focus as the keyboard gives it: a string field reached this way has its whole text selected,
// so that typing replaces the text instead of adding to it.
void give_keyboard_focus(HWND control) {
    SetFocus(control);
    if (kind_of(control) == Kind::kLineEdit) SendMessageA(control, EM_SETSEL, 0, -1);
}

void move_focus(HWND window, bool forwards) {
    if (HWND next = neighbour_tab_stop(window, GetFocus(), forwards)) give_keyboard_focus(next);
}

// A gadget that has just been hidden or disabled while it held the focus would leave it on the
// window or nowhere, where Space does nothing: the next tab stop takes it.
void hand_on_focus(HWND control) {
    HWND parent = GetParent(control);
    if (!parent) return;
    if (HWND next = neighbour_tab_stop(parent, control, true)) give_keyboard_focus(next);
}

void remember_focus(WindowEntry& w) {
    HWND focus = GetFocus();
    if (focus && IsChild(w.handle, focus)) w.last_focus = focus;
}

// On activation the system would put the focus on the window itself; put it back on the gadget
// that had it, or on the first tab stop.
void restore_focus(WindowEntry& w) {
    HWND last = w.last_focus;
    if (last && IsWindow(last) && IsChild(w.handle, last) && IsWindowVisible(last) &&
        IsWindowEnabled(last)) {
        SetFocus(last);
    } else if (HWND first = neighbour_tab_stop(w.handle, nullptr, true)) {
        give_keyboard_focus(first);
    } else {
        SetFocus(w.handle);
    }
}

LRESULT CALLBACK window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_CLOSE:
        pending_event = EVENT_CLOSE_REQUEST;
        return 0;
    case WM_COMMAND:
        if (lparam) {
            HWND control = reinterpret_cast<HWND>(lparam);
            if (is_list_box(control)) {
                WORD code = HIWORD(wparam);
                if (code != LBN_SELCHANGE && code != LBN_DBLCLK) return 0;
            }
            pending_event = EVENT_GADGET;
            last_source = int(GetWindowLongA(control, GWL_ID));
            return 0;
        }
        if (HIWORD(wparam) == 1) {
            if (LOWORD(wparam) == kFocusForward) move_focus(window, true);
            if (LOWORD(wparam) == kFocusBackward) move_focus(window, false);
            return 0;
        }
        break;
    case WM_HSCROLL:
    case WM_VSCROLL:
        if (lparam) {
            pending_event = EVENT_GADGET;
            last_source = int(GetWindowLongA(reinterpret_cast<HWND>(lparam), GWL_ID));
            return 0;
        }
        break;
    case WM_SIZE:
        PostMessageA(window, kSizeChanged, 0, 0);
        break;
    case kSizeChanged:
        pending_event = EVENT_SIZE;
        return 0;
    case WM_PARENTNOTIFY:
        if (LOWORD(wparam) == WM_DESTROY) forget_control(reinterpret_cast<HWND>(lparam));
        break;
    case WM_CANCELMODE:
        // Sent first when the window is disabled for a dialog, which may take the focus from its
        // gadget before the dialog deactivates the window.
        if (WindowEntry* w = window_of(window)) remember_focus(*w);
        break;
    case WM_ACTIVATE:
        if (WindowEntry* w = window_of(window)) {
            if (LOWORD(wparam) == WA_INACTIVE) {
                remember_focus(*w);
                return 0;
            }
            if (!HIWORD(wparam)) { // not while minimised
                restore_focus(*w);
                return 0;
            }
        }
        break;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

HWND make_control(int number, Kind kind, const char* native_class, const char* text, DWORD style,
                  DWORD ex_style, int x, int y, int width, int height) {
    start();
    if (number < 0) return nullptr;
    if (size_t(number) >= gadgets.size()) gadgets.resize(size_t(number) + kGadgetHeadroom);
    if (GadgetEntry* old = gadget(number)) {
        HWND previous = old->handle;
        *old = GadgetEntry{};
        DestroyWindow(previous);
    }
    HWND control = CreateWindowExA(ex_style, native_class, text, WS_CHILD | WS_VISIBLE | style, x,
                                   y, width, height, gadget_parent,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(number)),
                                   GetModuleHandleA(nullptr), nullptr);
    if (!control) return nullptr;
    gadgets[number] = GadgetEntry{control, kind};
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(gui_font), TRUE);
    return control;
}

bool has_text_label(Kind kind) {
    return kind == Kind::kButton || kind == Kind::kCheckbox || kind == Kind::kLabel ||
           kind == Kind::kFrame || kind == Kind::kLineEdit;
}

std::string window_text(HWND handle, int limit) {
    int length = GetWindowTextLengthA(handle);
    if (length <= 0) return std::string();
    if (length > limit) length = limit;
    std::string text(size_t(length) + 1, '\0');
    int got = GetWindowTextA(handle, &text[0], length + 1);
    text.resize(got > 0 ? size_t(got) : 0);
    return text;
}

int finish_event() {
    int code = pending_event;
    pending_event = 0;
    return code;
}

// The top-level window that holds a control, by the parent chain (the direct call for this is
// missing from Windows 95 and NT 4).
HWND top_level_of(HWND window) {
    while (window && (GetWindowLongA(window, GWL_STYLE) & WS_CHILD)) {
        HWND parent = GetParent(window);
        if (!parent) break;
        window = parent;
    }
    return window;
}

bool is_mouse_click(UINT message) {
    return message >= WM_LBUTTONDOWN && message <= WM_MBUTTONDBLCLK;
}

// By the message's own time, not by when it is read: a click queued before the page changed is
// as old as it is, and waiting here would stop the window from painting.
bool held_back(const MSG& msg) {
    if (!clicks_held || !is_mouse_click(msg.message)) return false;
    if (LONG(msg.time - clicks_held_from) < LONG(GetDoubleClickTime())) return true;
    // The first click after the double-click time ends the guard until the next page, long
    // before the 32-bit message times could wrap round into holding clicks back again.
    clicks_held = false;
    return false;
}

void handle_message(MSG& msg) {
    HWND root = top_level_of(msg.hwnd);
    WindowEntry* w = root ? window_of(root) : nullptr;
    if (w && held_back(msg)) return;
    if (!w) w = window_of(GetActiveWindow());
    if (w && w->accelerators && TranslateAcceleratorA(w->handle, w->accelerators, &msg)) return;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
}

} // namespace

void toolkit_init() {
    start();
}

void toolkit_shutdown() {
    for (size_t i = windows.size(); i-- > 0;) {
        WindowEntry& w = windows[i];
        if (w.handle) DestroyWindow(w.handle);
        if (w.class_name[0]) UnregisterClassA(w.class_name, GetModuleHandleA(nullptr));
        if (w.accelerators) DestroyAcceleratorTable(w.accelerators);
        w = WindowEntry{};
    }
    windows.clear();
    gadgets.clear();
    gadget_parent = nullptr;
    if (rich_edit_library) FreeLibrary(rich_edit_library);
    rich_edit_library = nullptr;
    rich_edit_class = nullptr;
    rich_edit_tried = false;
    pending_event = 0;
    last_source = 0;
    clicks_held = false;
    started = false;
}

HWND open_top_window(int window, int x, int y, int width, int height, uint32_t flags,
                     const std::string& title) {
    start();
    if (window < 0) return nullptr;
    if (size_t(window) >= windows.size()) windows.resize(size_t(window) + 1);
    WindowEntry& entry = windows[window];
    HINSTANCE instance = GetModuleHandleA(nullptr);
    if (entry.handle) DestroyWindow(entry.handle);
    if (entry.class_name[0]) UnregisterClassA(entry.class_name, instance);
    if (entry.accelerators) DestroyAcceleratorTable(entry.accelerators);
    entry = WindowEntry{};

    std::string class_name = "WindowClass_" + std::to_string(long(window));
    class_name.copy(entry.class_name, sizeof(entry.class_name) - 1);
    WNDCLASSA wc = {};
    wc.style = 0;
    wc.lpfnWndProc = window_procedure;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(1));
    if (!wc.hIcon) wc.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = entry.class_name;
    RegisterClassA(&wc);

    DWORD style = DWORD(flags & ~(kCentreOnScreen | kCentreOnActiveWindow));
    if (style == 0 || style == WS_VISIBLE) style |= WS_CAPTION;
    // Passing WS_VISIBLE asks for a window that starts hidden; without it the window shows at once.
    if (style & WS_VISIBLE)
        style &= ~DWORD(WS_VISIBLE);
    else
        style |= WS_VISIBLE;

    RECT frame = {0, 0, width, height};
    AdjustWindowRect(&frame, style, FALSE);
    int outer_width = frame.right - frame.left;
    int outer_height = frame.bottom - frame.top;
    RECT area = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    bool centre = (flags & kCentreOnScreen) != 0;
    if (flags & kCentreOnActiveWindow) {
        centre = true;
        HWND active = GetActiveWindow();
        if (active) GetWindowRect(active, &area);
    }
    if (centre) {
        int area_width = area.right - area.left;
        int area_height = area.bottom - area.top;
        x = area.left + area_width / 2 - std::min(outer_width, area_width) / 2;
        y = area.top + area_height / 2 - std::min(outer_height, area_height) / 2;
    }
    entry.handle = CreateWindowExA(0, entry.class_name, title.c_str(), style, x, y, outer_width,
                                   outer_height, nullptr, nullptr, instance, nullptr);
    ACCEL keys[2] = {{FVIRTKEY | FNOINVERT, VK_TAB, kFocusForward},
                     {FVIRTKEY | FNOINVERT | FSHIFT, VK_TAB, kFocusBackward}};
    entry.accelerators = CreateAcceleratorTableA(keys, 2);
    return entry.handle;
}

HWND window_handle(int window) {
    if (window < 0 || size_t(window) >= windows.size()) return nullptr;
    return windows[window].handle;
}

void set_gadget_parent(HWND parent) {
    gadget_parent = parent;
}

HWND create_button(int gadget, int x, int y, int width, int height, const std::string& text) {
    return make_control(gadget, Kind::kButton, "BUTTON", text.c_str(),
                        WS_GROUP | WS_TABSTOP | BS_PUSHBUTTON, 0, x, y, width, height);
}

HWND create_checkbox(int gadget, int x, int y, int width, int height, const std::string& text) {
    return make_control(gadget, Kind::kCheckbox, "BUTTON", text.c_str(),
                        WS_GROUP | WS_TABSTOP | BS_AUTOCHECKBOX, 0, x, y, width, height);
}

HWND create_label(int gadget, int x, int y, int width, int height, const std::string& text) {
    return make_control(gadget, Kind::kLabel, "STATIC", text.c_str(), WS_GROUP | SS_LEFT, 0, x, y,
                        width, height);
}

HWND create_group_frame(int gadget, int x, int y, int width, int height, const std::string& text) {
    return make_control(gadget, Kind::kFrame, "BUTTON", text.c_str(), WS_GROUP | BS_GROUPBOX, 0, x,
                        y, width, height);
}

HWND create_line_edit(int gadget, int x, int y, int width, int height, const std::string& text,
                      uint32_t options) {
    // A read-only field only shows something: Tab does not stop there to show a text cursor.
    DWORD style = WS_GROUP | ES_AUTOHSCROLL | (options & (kEditReadOnly | kEditKeepSelection));
    if (!(options & kEditReadOnly)) style |= WS_TABSTOP;
    DWORD ex_style = (options & kEditBorderless) ? 0 : WS_EX_CLIENTEDGE;
    return make_control(gadget, Kind::kLineEdit, "EDIT", text.c_str(), style, ex_style, x, y, width,
                        height);
}

HWND create_list_box(int gadget, int x, int y, int width, int height) {
    return make_control(gadget, Kind::kListBox, "LISTBOX", "",
                        WS_VSCROLL | WS_HSCROLL | WS_GROUP | WS_TABSTOP | LBS_NOTIFY |
                            LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT,
                        WS_EX_CLIENTEDGE, x, y, width, height);
}

HWND create_rich_viewer(int gadget, int x, int y, int width, int height) {
    if (!rich_edit_tried) {
        rich_edit_tried = true;
        // Only from the system folder: an installer run from a downloads folder must not load a
        // planted RICHED20.DLL lying beside it.
        rich_edit_library = load_system_library("RICHED20.DLL");
        if (rich_edit_library) {
            rich_edit_class = "RichEdit20A";
        } else {
            rich_edit_library = load_system_library("RICHED32.DLL");
            if (rich_edit_library) rich_edit_class = "RichEdit";
        }
    }
    if (!rich_edit_class) return nullptr;
    return make_control(gadget, Kind::kRichViewer, rich_edit_class, "",
                        WS_VSCROLL | WS_HSCROLL | WS_TABSTOP | ES_MULTILINE | ES_AUTOVSCROLL |
                            ES_AUTOHSCROLL | ES_NOHIDESEL | ES_WANTRETURN,
                        WS_EX_CLIENTEDGE, x, y, width, height);
}

HWND create_picture_view(int gadget, int x, int y, int width, int height, HANDLE picture) {
    bool is_bitmap = !picture || GetObjectType(picture) == OBJ_BITMAP;
    HWND control = make_control(gadget, Kind::kPictureView, "STATIC", "",
                                is_bitmap ? SS_BITMAP : SS_ICON, 0, x, y, width, height);
    // The control takes the picture's size when the picture is attached.
    if (control && picture)
        SendMessageA(control, STM_SETIMAGE, is_bitmap ? IMAGE_BITMAP : IMAGE_ICON,
                     reinterpret_cast<LPARAM>(picture));
    return control;
}

HWND create_progress_bar(int gadget, int x, int y, int width, int height, int minimum,
                         int maximum) {
    HWND control =
        make_control(gadget, Kind::kProgressBar, PROGRESS_CLASSA, "", 0, 0, x, y, width, height);
    if (control) {
        SendMessageA(control, PBM_SETRANGE, 0, MAKELPARAM(minimum, maximum));
        SendMessageA(control, PBM_SETPOS, WPARAM(minimum), 0);
    }
    return control;
}

void set_gadget_hidden(int number, int hidden) {
    GadgetEntry* g = gadget(number);
    if (!g) return;
    bool hand_on = hidden && holds_focus(g->handle);
    ShowWindow(g->handle, hidden ? SW_HIDE : SW_SHOW);
    if (hand_on) hand_on_focus(g->handle);
}

void set_gadget_disabled(int number, int disabled) {
    GadgetEntry* g = gadget(number);
    if (!g) return;
    bool hand_on = disabled && holds_focus(g->handle);
    EnableWindow(g->handle, disabled ? FALSE : TRUE);
    if (hand_on) hand_on_focus(g->handle);
}

void set_gadget_value(int number, int value) {
    GadgetEntry* g = gadget(number);
    if (!g) return;
    switch (g->kind) {
    case Kind::kButton:
    case Kind::kCheckbox:
        SendMessageA(g->handle, BM_SETCHECK, value ? BST_CHECKED : BST_UNCHECKED, 0);
        break;
    case Kind::kProgressBar:
        SendMessageA(g->handle, PBM_SETPOS, WPARAM(value), 0);
        break;
    case Kind::kListBox:
        SendMessageA(g->handle, LB_SETCURSEL, WPARAM(value), 0);
        break;
    default:
        break;
    }
}

int gadget_value(int number) {
    GadgetEntry* g = gadget(number);
    if (!g) return 0;
    switch (g->kind) {
    case Kind::kButton:
    case Kind::kCheckbox:
        return SendMessageA(g->handle, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
    case Kind::kProgressBar:
        return int(SendMessageA(g->handle, PBM_GETPOS, 0, 0));
    case Kind::kListBox:
        return int(SendMessageA(g->handle, LB_GETCURSEL, 0, 0));
    default:
        return 0;
    }
}

void write_gadget_text(int number, const std::string& text) {
    GadgetEntry* g = gadget(number);
    if (!g) return;
    if (has_text_label(g->kind) || g->kind == Kind::kRichViewer) {
        SetWindowTextA(g->handle, text.c_str());
    } else if (g->kind == Kind::kListBox) {
        LRESULT found = SendMessageA(g->handle, LB_FINDSTRINGEXACT, WPARAM(-1),
                                     reinterpret_cast<LPARAM>(text.c_str()));
        SendMessageA(g->handle, LB_SETCURSEL, found == LB_ERR ? WPARAM(-1) : WPARAM(found), 0);
    }
}

std::string read_gadget_text(int number) {
    GadgetEntry* g = gadget(number);
    if (!g) return std::string();
    // A named check box shows no words: its window text is only its name.
    if (has_text_label(g->kind))
        return g->named ? std::string() : window_text(g->handle, kTextLimit);
    if (g->kind == Kind::kRichViewer) return window_text(g->handle, kEditorTextLimit);
    if (g->kind == Kind::kListBox) {
        LRESULT index = SendMessageA(g->handle, LB_GETCURSEL, 0, 0);
        if (index == LB_ERR) return std::string();
        LRESULT length = SendMessageA(g->handle, LB_GETTEXTLEN, WPARAM(index), 0);
        if (length == LB_ERR || length <= 0) return std::string();
        std::string text(size_t(length) + 1, '\0');
        LRESULT got =
            SendMessageA(g->handle, LB_GETTEXT, WPARAM(index), reinterpret_cast<LPARAM>(&text[0]));
        text.resize(got == LB_ERR ? 0 : size_t(got));
        return text;
    }
    return std::string();
}

void set_gadget_name(int number, const std::string& name) {
    GadgetEntry* g = gadget(number);
    // Gadgets whose text is what they show keep it.
    if (!g || (has_text_label(g->kind) && g->kind != Kind::kCheckbox) ||
        g->kind == Kind::kRichViewer)
        return;
    // A check box draws its text beside its box, except as a picture button: without a picture
    // it then draws the box alone, as it does for an empty text.
    if (g->kind == Kind::kCheckbox)
        SetWindowLongA(g->handle, GWL_STYLE, GetWindowLongA(g->handle, GWL_STYLE) | BS_BITMAP);
    // Past the control's own procedure: a static control that shows a picture need not keep a
    // text sent to it (Wine's drops it), and a button would repaint.
    DefWindowProcA(g->handle, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()));
    g->named = true;
}

void insert_list_item(int number, int position, const std::string& text) {
    GadgetEntry* g = gadget(number);
    if (g && g->kind == Kind::kListBox)
        SendMessageA(g->handle, LB_INSERTSTRING, WPARAM(position),
                     reinterpret_cast<LPARAM>(text.c_str()));
}

void clear_list(int number) {
    GadgetEntry* g = gadget(number);
    if (!g) return;
    if (g->kind == Kind::kListBox) SendMessageA(g->handle, LB_RESETCONTENT, 0, 0);
    if (g->kind == Kind::kRichViewer) SetWindowTextA(g->handle, "");
}

void focus_gadget(int number) {
    if (GadgetEntry* g = gadget(number)) SetFocus(g->handle);
}

void focus_first_of(std::initializer_list<int> numbers) {
    for (int number : numbers) {
        GadgetEntry* g = gadget(number);
        if (g && is_tab_stop(g->handle)) {
            give_keyboard_focus(g->handle);
            return;
        }
    }
    if (!gadget_parent) return;
    if (HWND first = neighbour_tab_stop(gadget_parent, nullptr, true)) give_keyboard_focus(first);
}

void move_gadget_to_tab_end(int number) {
    if (GadgetEntry* g = gadget(number))
        SetWindowPos(g->handle, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void hold_back_clicks() {
    clicks_held = true;
    clicks_held_from = GetTickCount();
}

HWND gadget_handle(int number) {
    GadgetEntry* g = gadget(number);
    return g ? g->handle : nullptr;
}

// A message that raised no event is reported by its own number, unless that number could be
// taken for an event code (a WM_CLOSE posted to some other window of the thread is 16).
static int message_result(const MSG& msg) {
    int code = finish_event();
    if (code) return code;
    int own = int(msg.message);
    return own == EVENT_CLOSE_REQUEST || own == EVENT_GADGET || own == EVENT_SIZE ? 0 : own;
}

int wait_event() {
    MSG msg;
    // An event raised by the program's own call (a text set, a click sent) is already waiting:
    // it is handed out at once instead of after some unrelated message happens to arrive.
    if (pending_event) {
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) handle_message(msg);
        return finish_event();
    }
    BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got == -1) return 0;
    if (got != 0) handle_message(msg);
    return message_result(msg);
}

int poll_event() {
    MSG msg;
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return 0;
    handle_message(msg);
    return message_result(msg);
}

int event_source() {
    return last_source;
}
