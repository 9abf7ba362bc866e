#include "uninstall/restart_deletion.h"

#include <windows.h>
#include "services/system_library.h"
#include "services/whole_files.h"

bool add_wininit_deletion(const std::string& file) {
    char short_path[MAX_PATH];
    DWORD n = GetShortPathNameA(file.c_str(), short_path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return false;
    char windows[MAX_PATH];
    n = GetWindowsDirectoryA(windows, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return false;
    std::string ini = windows;
    if (ini.back() != '\\') ini += '\\';
    ini += kWininitName;
    std::string text;
    // A missing file is simply one without any section yet.
    if (!read_whole_file(ini, text) && GetFileAttributesA(ini.c_str()) != INVALID_FILE_ATTRIBUTES)
        return false;
    return write_whole_file(ini, wininit_with_deletion(text, short_path));
}

bool delete_at_restart(const std::string& path, bool is_folder) {
    // The 95 family sets the top bit of the version; its kernel has no MoveFileEx that works.
    if (GetVersion() & 0x80000000u) return !is_folder && add_wininit_deletion(path);
    using MoveFileExFn = BOOL(WINAPI*)(const char*, const char*, DWORD);
    auto move_file_ex =
        optional_function<MoveFileExFn>(GetModuleHandleA("kernel32.dll"), "MoveFileExA");
    return move_file_ex && move_file_ex(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

bool delete_copy_at_restart(const std::string& path, bool is_folder, const std::string& copy_folder,
                            const std::string& temp) {
    return is_copy_leftover(path, copy_folder, temp) && delete_at_restart(path, is_folder);
}
