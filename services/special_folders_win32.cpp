#include "services/special_folders.h"
#include <windows.h>
#include <shlobj.h>
#include "services/system_paths.h"
#include "services/text_rules.h"

std::string special_folder_path(int csidl) {
    LPITEMIDLIST items = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &items)) || !items) return std::string();
    // A folder of a profile named in letters the code page lacks (the desktop, the user's start
    // menu) is known by its short form, or not at all.
    std::string text;
    bool found = item_list_path(GetModuleHandleA("SHELL32.DLL"), items, text);
    CoTaskMemFree(items);
    if (!found) return std::string();
    text = trim_blanks(text);
    while (ends_with_backslash(text))
        text.pop_back();
    return text;
}
