// A file that behaves like a full disk, for the tests of short writes: a Linux symbolic link to
// /dev/full made beside the test's files, which Wine opens as a file that takes no byte
// (WriteFile fails with ERROR_DISK_FULL). Wine-only; elsewhere make_full_disk_file is false.
#pragma once
#include <windows.h>
#include <string>

inline bool make_full_disk_file(const std::string& windows_path) {
    typedef char*(CDECL * UnixNameProc)(LPCWSTR);
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    UnixNameProc unix_name = kernel ? reinterpret_cast<UnixNameProc>(reinterpret_cast<void*>(
                                          GetProcAddress(kernel, "wine_get_unix_file_name")))
                                    : nullptr;
    if (!unix_name) return false;
    wchar_t wide[MAX_PATH];
    if (!MultiByteToWideChar(CP_ACP, 0, windows_path.c_str(), -1, wide, MAX_PATH)) return false;
    char* unix_path = unix_name(wide);
    if (!unix_path) return false;
    // Wine starts a Linux program through CreateProcess but gives no handle to wait on, so the
    // link's appearance is the sign that it ran.
    std::string command = std::string("Z:\\bin\\ln -s /dev/full \"") + unix_path + "\"";
    HeapFree(GetProcessHeap(), 0, unix_path);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return false;
    if (process.hProcess) CloseHandle(process.hProcess);
    if (process.hThread) CloseHandle(process.hThread);
    for (int i = 0; i < 250; ++i) {
        HANDLE h = CreateFileA(windows_path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            BOOL ok = WriteFile(h, "x", 1, &written, nullptr);
            CloseHandle(h);
            return !ok && written == 0;
        }
        Sleep(20);
    }
    return false;
}
