// The folder chooser driven by a helper thread that answers the system's dialog: the initial
// folder is selected, OK returns it ending in one backslash, Cancel returns the empty text, and
// the program's window is disabled only while the chooser is open. A folder named in letters the
// code page lacks comes back as a path that names it.
#include <windows.h>
#include <string>

#include <shlobj.h>
#include <commctrl.h>

#include "check.h"
#include "test_boxes.h"
#include "test_files.h"
#include "core/text_rules.h"
#include "ui/dialogs.h"
#include "ui/toolkit.h"

namespace {

// The text of the tree's selected item: the folder's name as the chooser shows it.
std::wstring selected_name(HWND tree) {
    wchar_t text[MAX_PATH] = {};
    TVITEMW item = {};
    item.mask = TVIF_TEXT;
    item.hItem = TreeView_GetSelection(tree);
    item.pszText = text;
    item.cchTextMax = MAX_PATH;
    if (!item.hItem || !SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)))
        return std::wstring();
    return text;
}

// Selects a folder by its wide path, as a user's click would. The tree fills in while the chooser
// opens, and a selection sent before its folder is listed does not take: it is sent until the
// tree shows the folder's own name selected.
void select_folder(HWND chooser, const std::wstring& folder) {
    HWND tree = FindWindowExA(chooser, nullptr, "SysTreeView32", nullptr);
    const std::wstring name = folder.substr(folder.rfind(L'\\') + 1);
    for (int tries = 0; tries < 50 && selected_name(tree) != name; ++tries) {
        SendMessageW(chooser, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(folder.c_str()));
        Sleep(100);
    }
}

// Opens the chooser at `initial` while the box answerer presses `button` in it; `found` tells
// whether it came, `disabled` whether `watched` was disabled while it was open. `select`, when
// given, is selected then.
std::string choose_with(WORD button, const std::string& initial, HWND watched, bool* found,
                        bool* disabled = nullptr, const std::wstring& select = L"") {
    bool watched_was_disabled = false;
    DialogAnswerer answer(button, 10000, [&](HWND chooser) {
        Sleep(300); // let the chooser apply its initial selection
        if (!select.empty()) select_folder(chooser, select);
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
    // created beside it. (Under Wine the chooser does not select a folder inside the crowded
    // Windows folder.)
    const std::wstring lodz = L"C:\\Programme\\\x141\xf3\x64\x17a";
    CreateDirectoryW(L"C:\\Programme", nullptr);
    CreateDirectoryW(lodz.c_str(), nullptr);
    chosen = choose_with(IDOK, windows, nullptr, &found, nullptr, lodz);
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
