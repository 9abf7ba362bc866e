// The toolkit layer over USER32: one top-level window (number 0), child controls addressed by
// gadget number, and a blocking and a non-blocking event fetch with one pending event.
#pragma once
#include <windows.h>
#include <cstdint>
#include <initializer_list>
#include <string>

inline constexpr int EVENT_CLOSE_REQUEST = 16;
inline constexpr int EVENT_GADGET = 13100;
inline constexpr int EVENT_SIZE = 5;

// open_top_window flags besides native window styles.
inline constexpr uint32_t kCentreOnScreen = 1;
inline constexpr uint32_t kCentreOnActiveWindow = 2;

// Line-edit options.
inline constexpr uint32_t kEditReadOnly = ES_READONLY;       // 0x800
inline constexpr uint32_t kEditKeepSelection = ES_NOHIDESEL; // 0x100
inline constexpr uint32_t kEditBorderless = 0x20000;

void toolkit_init();     // common controls, gadget table of 30, default GUI font
void toolkit_shutdown(); // destroys windows (highest number first), classes, accelerators

HWND open_top_window(int window, int x, int y, int width, int height, uint32_t flags,
                     const std::string& title);
HWND window_handle(int window);
void set_gadget_parent(HWND parent);

HWND create_button(int gadget, int x, int y, int width, int height, const std::string& text);
HWND create_checkbox(int gadget, int x, int y, int width, int height, const std::string& text);
HWND create_label(int gadget, int x, int y, int width, int height, const std::string& text);
HWND create_group_frame(int gadget, int x, int y, int width, int height, const std::string& text);
HWND create_line_edit(int gadget, int x, int y, int width, int height, const std::string& text,
                      uint32_t options);
HWND create_list_box(int gadget, int x, int y, int width, int height);
HWND create_rich_viewer(int gadget, int x, int y, int width, int height);
HWND create_picture_view(int gadget, int x, int y, int width, int height, HANDLE picture);
HWND create_progress_bar(int gadget, int x, int y, int width, int height, int minimum, int maximum);

void set_gadget_hidden(int gadget, int hidden);
void set_gadget_disabled(int gadget, int disabled);
void set_gadget_value(int gadget, int value);
int gadget_value(int gadget);
void write_gadget_text(int gadget, const std::string& text);
std::string read_gadget_text(int gadget);
// The name that screen readers read for a gadget whose words are drawn as a picture, or that
// shows none (a picture, a bare check box, a list, a progress bar). It is kept as the gadget's
// window text, which these gadgets never draw; read_gadget_text still gives what is shown.
void set_gadget_name(int gadget, const std::string& name);
void insert_list_item(int gadget, int position, const std::string& text);
void clear_list(int gadget);
void focus_gadget(int gadget);
// Gives the focus to the first of `gadgets` that is a tab stop and visible and enabled, or else to
// the first such gadget of all, as the keyboard would: a string field gets its text selected.
void focus_first_of(std::initializer_list<int> gadgets);
// Moves the gadget behind all others in the order Tab walks (the bottom of the Z order), so that
// the keyboard can follow the screen while the gadget numbers and creation order stay.
void move_gadget_to_tab_end(int gadget);
HWND gadget_handle(int gadget);

// Drops mouse clicks on the toolkit's windows that come within the system's double-click time
// from now, and those still queued from before: called when a page is shown, so that the second
// click of a double-click cannot act on the page the first one opened.
void hold_back_clicks();

int wait_event();   // blocks; the pending event code, or the message's own number
int poll_event();   // 0 at once when no message is waiting
int event_source(); // gadget number of the most recent gadget event
