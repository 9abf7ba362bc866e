// The toolkit's behaviour under a real message loop: events, the pending event, the Tab walk, the
// kinds' operations, table growth, and the release at shutdown.
#include <windows.h>
#include <commctrl.h>
#include <string>

#include "check.h"
#include "ui/toolkit.h"

namespace {

enum : int {
    FirstButton = 3,
    Field = 4,
    Box = 5,
    DisabledBox = 6,
    List = 7,
    Progress = 8,
    Label = 9,
    Viewer = 10,
    LastButton = 12,
};

HWND window = nullptr;

// Runs every waiting message; returns whether any of them raised `code` (from `source`).
bool drain_saw(int code, int source = -1) {
    bool seen = false;
    for (int e; (e = poll_event()) != 0;)
        if (e == code && (source < 0 || event_source() == source)) seen = true;
    return seen;
}

void build() {
    toolkit_init();
    window = open_top_window(0, 0, 0, 300, 200,
                             kCentreOnScreen | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, "Toolkit");
    set_gadget_parent(window);
    create_button(FirstButton, 10, 10, 60, 20, "Eins");
    create_line_edit(Field, 10, 40, 100, 20, "", 0);
    create_checkbox(Box, 10, 70, 100, 20, "Box");
    create_checkbox(DisabledBox, 10, 90, 100, 20, "Aus");
    create_list_box(List, 120, 10, 100, 80);
    create_progress_bar(Progress, 120, 100, 100, 10, 0, 100);
    create_label(Label, 120, 120, 100, 20, "Text");
    create_rich_viewer(Viewer, 230, 10, 60, 60);
    create_button(LastButton, 10, 150, 60, 20, "Zwei");
    set_gadget_disabled(DisabledBox, 1);
    drain_saw(0);
}

void window_rules() {
    CHECK(window != nullptr);
    CHECK(window_handle(0) == window);
    CHECK(window_handle(1) == nullptr);
    CHECK(IsWindowVisible(window));
    RECT client;
    GetClientRect(window, &client);
    CHECK_EQ(int(client.right), 300);
    CHECK_EQ(int(client.bottom), 200);
    WNDCLASSA wc = {};
    CHECK(GetClassInfoA(GetModuleHandleA(nullptr), "WindowClass_0", &wc));
    CHECK(wc.hbrBackground == reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    CHECK(wc.hCursor == LoadCursorA(nullptr, IDC_ARROW));

    // Passing WS_VISIBLE asks for a hidden start; no style at all still gets a caption.
    HWND hidden = open_top_window(1, 5, 5, 50, 50, WS_VISIBLE, "Hidden");
    CHECK(hidden != nullptr);
    CHECK(!IsWindowVisible(hidden));
    CHECK((GetWindowLongA(hidden, GWL_STYLE) & WS_CAPTION) == WS_CAPTION);
    RECT frame;
    GetWindowRect(hidden, &frame);
    CHECK_EQ(int(frame.left), 5); // not centred without the flag
}

void close_request() {
    PostMessageA(window, WM_CLOSE, 0, 0);
    CHECK_EQ(wait_event(), EVENT_CLOSE_REQUEST);
    CHECK(IsWindow(window));
    CHECK(IsWindowVisible(window));
    // The system menu's Close arrives as WM_CLOSE too.
    PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    CHECK(drain_saw(EVENT_CLOSE_REQUEST));
    CHECK(IsWindow(window));
}

void empty_queue() {
    drain_saw(0);
    CHECK_EQ(poll_event(), 0);
    CHECK_EQ(poll_event(), 0);
}

void gadget_events() {
    // Text set by the program: the field notifies, and the next wait hands out its event.
    write_gadget_text(Field, "C:\\Programme");
    CHECK_EQ(wait_event(), EVENT_GADGET);
    CHECK_EQ(event_source(), int(Field));
    CHECK_EQ(read_gadget_text(Field), std::string("C:\\Programme"));
    drain_saw(0);

    // A click checks the automatic checkbox and raises a gadget event.
    SendMessageA(gadget_handle(Box), BM_CLICK, 0, 0);
    CHECK_EQ(gadget_value(Box), 1);
    CHECK_EQ(wait_event(), EVENT_GADGET);
    CHECK_EQ(event_source(), int(Box));
    drain_saw(0);
    set_gadget_value(Box, 0);
    CHECK_EQ(gadget_value(Box), 0);

    // A close request after a gadget event leaves event_source at the gadget.
    PostMessageA(window, WM_CLOSE, 0, 0);
    CHECK_EQ(wait_event(), EVENT_CLOSE_REQUEST);
    CHECK_EQ(event_source(), int(Box));
}

void list_notifications() {
    HWND list = gadget_handle(List);
    insert_list_item(List, -1, "Alpha");
    insert_list_item(List, -1, "Gamma");
    insert_list_item(List, 1, "Beta");
    drain_saw(0);
    // Only selection changes and double-clicks are events; focus and cancel notifications are not.
    for (WORD code :
         {WORD(LBN_SETFOCUS), WORD(LBN_KILLFOCUS), WORD(LBN_SELCANCEL), WORD(LBN_ERRSPACE)}) {
        PostMessageA(window, WM_COMMAND, MAKEWPARAM(List, code), reinterpret_cast<LPARAM>(list));
        CHECK(!drain_saw(EVENT_GADGET));
    }
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(List, LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(list));
    CHECK(drain_saw(EVENT_GADGET, List));
    // A real double-click on the first item.
    RECT item;
    SendMessageA(list, LB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item));
    LPARAM at = MAKELPARAM(item.left + 3, item.top + 3);
    PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(list, WM_LBUTTONUP, 0, at);
    drain_saw(0);
    CHECK_EQ(gadget_value(List), 0);
    PostMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    PostMessageA(list, WM_LBUTTONUP, 0, at);
    CHECK(drain_saw(EVENT_GADGET, List));
    // A focus change alone raises nothing.
    focus_gadget(FirstButton);
    drain_saw(0);
    focus_gadget(List);
    CHECK(!drain_saw(EVENT_GADGET));

    CHECK_EQ(read_gadget_text(List), std::string("Alpha"));
    write_gadget_text(List, "bEtA"); // whole text, ignoring case
    CHECK_EQ(gadget_value(List), 1);
    CHECK_EQ(read_gadget_text(List), std::string("Beta"));
    write_gadget_text(List, "Bet"); // no partial matches
    CHECK_EQ(gadget_value(List), -1);
    CHECK_EQ(read_gadget_text(List), std::string());
    set_gadget_value(List, 2);
    CHECK_EQ(read_gadget_text(List), std::string("Gamma"));
    clear_list(List);
    CHECK_EQ(int(SendMessageA(list, LB_GETCOUNT, 0, 0)), 0);
    CHECK_EQ(gadget_value(List), -1);
    drain_saw(0);
}

void tab_walk() {
    // Tab stops in creation order: FirstButton, Field, Box, (DisabledBox skipped), List, Viewer,
    // LastButton.
    focus_gadget(LastButton);
    drain_saw(0);
    CHECK(GetFocus() == gadget_handle(LastButton));
    PostMessageA(gadget_handle(LastButton), WM_KEYDOWN, VK_TAB, 0);
    drain_saw(0);
    CHECK(GetFocus() == gadget_handle(FirstButton));

    focus_gadget(Box);
    drain_saw(0);
    PostMessageA(gadget_handle(Box), WM_KEYDOWN, VK_TAB, 0);
    drain_saw(0);
    CHECK(GetFocus() == gadget_handle(List)); // the disabled box is skipped

    // The accelerator eats Tab: it never reaches a field as a character.
    focus_gadget(Field);
    drain_saw(0);
    write_gadget_text(Field, "ab");
    drain_saw(0);
    PostMessageA(gadget_handle(Field), WM_KEYDOWN, VK_TAB, 0);
    drain_saw(0);
    CHECK(GetFocus() == gadget_handle(Box));
    CHECK_EQ(read_gadget_text(Field), std::string("ab"));

    // Backwards (Shift+Tab's command), wrapping before the first stop and skipping hidden ones.
    focus_gadget(FirstButton);
    drain_saw(0);
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(1213, 1), 0);
    CHECK(GetFocus() == gadget_handle(LastButton));
    set_gadget_hidden(Viewer, 1);
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(1213, 1), 0);
    CHECK(GetFocus() == gadget_handle(List));
    set_gadget_hidden(Viewer, 0);
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(1212, 1), 0);
    CHECK(GetFocus() == gadget_handle(Viewer));
    // No child focused: forwards starts at the first stop, backwards at the last.
    SetFocus(window);
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(1212, 1), 0);
    CHECK(GetFocus() == gadget_handle(FirstButton));
    SetFocus(window);
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(1213, 1), 0);
    CHECK(GetFocus() == gadget_handle(LastButton));
    drain_saw(0);

    // Tab into a field selects its text, so typing replaces it.
    write_gadget_text(Field, "abc");
    focus_gadget(FirstButton);
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(1212, 1), 0);
    DWORD from = 9, to = 0;
    SendMessageA(gadget_handle(Field), EM_GETSEL, WPARAM(&from), LPARAM(&to));
    CHECK_EQ(from, DWORD(0));
    CHECK_EQ(to, DWORD(3));
    // A gadget disabled or hidden while it has the focus hands it to the next tab stop.
    set_gadget_disabled(Field, 1);
    CHECK(GetFocus() == gadget_handle(Box));
    set_gadget_disabled(Field, 0);
    set_gadget_hidden(Box, 1);
    CHECK(GetFocus() == gadget_handle(List));
    set_gadget_hidden(Box, 0);
    // The first of a list that can take the focus, else the first tab stop.
    set_gadget_disabled(Box, 1);
    focus_first_of({Box, List});
    CHECK(GetFocus() == gadget_handle(List));
    focus_first_of({Box, Label});
    CHECK(GetFocus() == gadget_handle(FirstButton));
    set_gadget_disabled(Box, 0);
    drain_saw(0);
}

void kinds() {
    set_gadget_value(Progress, 40);
    CHECK_EQ(gadget_value(Progress), 40);
    write_gadget_text(Label, "Neu");
    CHECK_EQ(read_gadget_text(Label), std::string("Neu"));
    CHECK_EQ(gadget_value(Label), 0);
    set_gadget_value(Label, 1); // nothing for texts
    CHECK_EQ(read_gadget_text(Label), std::string("Neu"));
    write_gadget_text(Viewer, "Zeile");
    CHECK_EQ(read_gadget_text(Viewer), std::string("Zeile"));
    clear_list(Viewer);
    CHECK_EQ(read_gadget_text(Viewer), std::string());
    set_gadget_hidden(Label, 1);
    CHECK(!IsWindowVisible(gadget_handle(Label)));
    set_gadget_hidden(Label, 0);
    CHECK(IsWindowVisible(gadget_handle(Label)));
    set_gadget_disabled(FirstButton, 1);
    CHECK(!IsWindowEnabled(gadget_handle(FirstButton)));
    set_gadget_disabled(FirstButton, 0);
    CHECK(IsWindowEnabled(gadget_handle(FirstButton)));
    // A long text is read back whole up to the limit.
    std::string long_text(5000, 'x');
    write_gadget_text(Label, long_text);
    CHECK_EQ(read_gadget_text(Label).size(), long_text.size());
    // Line-edit options.
    HWND plain = create_line_edit(20, 0, 0, 10, 10, "", kEditBorderless | kEditReadOnly);
    CHECK(!(GetWindowLongA(plain, GWL_EXSTYLE) & WS_EX_CLIENTEDGE));
    CHECK(GetWindowLongA(plain, GWL_STYLE) & ES_READONLY);
    drain_saw(0);
}

void table_rules() {
    // Far beyond the first 30 entries.
    HWND distant = create_button(95, 0, 0, 10, 10, "95");
    CHECK(distant != nullptr);
    CHECK(gadget_handle(95) == distant);
    CHECK(GetDlgItem(window, 95) == distant);
    CHECK(gadget_handle(94) == nullptr);
    CHECK(gadget_handle(-1) == nullptr);
    CHECK(create_button(-2, 0, 0, 10, 10, "x") == nullptr);
    // Re-creating a number destroys the old gadget first.
    HWND again = create_checkbox(95, 0, 0, 10, 10, "95");
    CHECK(again != nullptr && again != distant);
    CHECK(!IsWindow(distant));
    set_gadget_value(95, 1);
    CHECK_EQ(gadget_value(95), 1); // behaves as a checkbox now
    // A control destroyed behind the toolkit's back counts as absent.
    DestroyWindow(again);
    CHECK(gadget_handle(95) == nullptr);
    CHECK_EQ(gadget_value(95), 0);
    CHECK_EQ(read_gadget_text(95), std::string());
    // Never created.
    set_gadget_hidden(11, 0);
    write_gadget_text(11, "x");
    CHECK_EQ(gadget_value(11), 0);
    CHECK_EQ(read_gadget_text(11), std::string());
    drain_saw(0);
}

void size_event() {
    ShowWindow(window, SW_MINIMIZE);
    CHECK(drain_saw(EVENT_SIZE));
    ShowWindow(window, SW_RESTORE);
    CHECK(drain_saw(EVENT_SIZE));
}

void shutdown() {
    HWND button = gadget_handle(FirstButton);
    HWND second = window_handle(1);
    toolkit_shutdown();
    CHECK(!IsWindow(window));
    CHECK(!IsWindow(second));
    CHECK(!IsWindow(button));
    CHECK(gadget_handle(FirstButton) == nullptr);
    CHECK(window_handle(0) == nullptr);
    WNDCLASSA wc = {};
    CHECK(!GetClassInfoA(GetModuleHandleA(nullptr), "WindowClass_0", &wc));
    CHECK(!GetClassInfoA(GetModuleHandleA(nullptr), "WindowClass_1", &wc));
    // The toolkit starts again after a shutdown.
    HWND w = open_top_window(0, 0, 0, 100, 100, kCentreOnScreen, "Again");
    set_gadget_parent(w);
    CHECK(create_button(2, 0, 0, 10, 10, "b") != nullptr);
    toolkit_shutdown();
    CHECK(!IsWindow(w));
}

} // namespace

int main() {
    build();
    window_rules();
    close_request();
    empty_queue();
    gadget_events();
    list_notifications();
    tab_walk();
    kinds();
    table_rules();
    size_event();
    shutdown();
    return check_report();
}
