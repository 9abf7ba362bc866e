// The folder chooser driven by a helper thread that answers the system's dialog: the initial
// folder is selected, OK returns it ending in one backslash, Cancel returns the empty text, and
// the program's window is disabled only while the chooser is open. A folder named in letters the
// code page lacks comes back as a path that names it.
#include <windows.h>
#include <string>

#include <shlobj.h>
#include <commctrl.h>

#include "check.h"
#include "services/text_rules.h"
#include "test_boxes.h"
#include "test_files.h"
#include "ui/dialogs.h"
#include "ui/toolkit.h"

namespace {

// Opens the chooser at `initial` while the box answerer presses `button` in it; `found` tells
// whether it came, `disabled` whether `watched` was disabled while it was open.
std::string choose_with(WORD button, const std::string& initial, HWND watched, bool* found,
                        bool* disabled = nullptr) {
    bool watched_was_disabled = false;
    DialogAnswerer answer(button, 10000, [&](HWND chooser) {
        Sleep(300); // let the chooser apply its initial selection
        if (watched) watched_was_disabled = !IsWindowEnabled(watched);
    });
    std::string result = choose_folder("Ordner suchen", initial);
    answer.finish();
    *found = answer.seen;
    if (disabled) *disabled = watched_was_disabled;
    return result;
}

std::string windows_folder() {
    char path[MAX_PATH] = {};
    GetWindowsDirectoryA(path, MAX_PATH);
    return path; // no final backslash
}

} // namespace

int main() {
    // Made before the first chooser opens. Made just before the chooser that picks it, under
    // load Wine's chooser now and then rebuilt its tree after opening, and OK returned the last
    // drive instead of the folder selected.
    const std::wstring lodz = L"C:\\Programme\\\x141\xf3\x64\x17a";
    CreateDirectoryW(L"C:\\Programme", nullptr);
    CreateDirectoryW(lodz.c_str(), nullptr);
    toolkit_init();
    HWND window =
        open_top_window(0, 0, 0, 200, 100, kCentreOnScreen | WS_CAPTION | WS_SYSMENU, "Chooser");
    SetForegroundWindow(window);
    const std::string windows = windows_folder();
    bool found = false, disabled = false;

    // The initial folder, given with its backslash, is selected; OK returns it with one.
    std::string chosen = choose_with(IDOK, windows + "\\", window, &found, &disabled);
    CHECK(found);
    CHECK_EQ(chosen, windows + "\\");
    CHECK(disabled);
    CHECK(IsWindowEnabled(window));

    // Without the backslash the same folder comes back with it.
    chosen = choose_with(IDOK, windows, nullptr, &found);
    CHECK(found);
    CHECK_EQ(chosen, windows + "\\");

    // A drive root keeps its single backslash.
    chosen = choose_with(IDOK, "C:\\", nullptr, &found);
    CHECK(found);
    CHECK_EQ(chosen, std::string("C:\\"));

    // "Łódź" comes back by a path that names it, not by the look-alike "Lódz", which would be
    // created beside it. The chooser is opened at the folder itself (by its short form, the only
    // ANSI form it has): under Wine a selection sent to the chooser from outside does not always
    // take.
    wchar_t short_form[MAX_PATH] = {};
    GetShortPathNameW(lodz.c_str(), short_form, MAX_PATH);
    std::string start;
    for (const wchar_t* c = short_form; *c; ++c)
        start += char(*c);
    chosen = choose_with(IDOK, start, nullptr, &found);
    CHECK(found);
    CHECK(!chosen.empty() && names(without_trailing_backslash(chosen), lodz) &&
          ends_with_backslash(chosen));

    // Cancel gives the empty text.
    chosen = choose_with(IDCANCEL, windows, window, &found);
    CHECK(found);
    CHECK_EQ(chosen, std::string());
    CHECK(IsWindowEnabled(window));

    // A window that was disabled before stays disabled afterwards.
    EnableWindow(window, FALSE);
    chosen = choose_with(IDCANCEL, windows, nullptr, &found);
    CHECK(found);
    CHECK(!IsWindowEnabled(window));

    toolkit_shutdown();
    return check_report();
}
