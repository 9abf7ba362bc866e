#include "services/special_folders.h"
#include <windows.h>
#include <shlobj.h>
#include "core/text_rules.h"

std::string special_folder_path(int csidl) {
    LPITEMIDLIST items = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &items)) || !items) return std::string();
    char path[MAX_PATH] = {};
    BOOL found = SHGetPathFromIDListA(items, path);
    CoTaskMemFree(items);
    if (!found) return std::string();
    std::string text = trim_blanks(path);
    while (ends_with_backslash(text))
        text.pop_back();
    return text;
}
