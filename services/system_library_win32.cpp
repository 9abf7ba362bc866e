#include "services/system_library.h"
#include <cstring>

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

namespace {

// LOAD_LIBRARY_SEARCH_SYSTEM32 is understood where AddDllDirectory exists (Windows 8, or 7 with
// KB2533623); older systems reject the flag, and there the full path has to do.
bool system32_search_available() {
    HMODULE kernel = GetModuleHandleA("KERNEL32.DLL");
    return kernel && GetProcAddress(kernel, "AddDllDirectory");
}

} // namespace

HMODULE load_system_library(const char* name) {
    if (!name || !*name || std::strpbrk(name, "\\/:")) return nullptr;
    char path[MAX_PATH];
    UINT length = GetSystemDirectoryA(path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    size_t name_length = std::strlen(name);
    if (length + 1 + name_length + 1 > MAX_PATH) return nullptr;
    if (path[length - 1] != '\\') path[length++] = '\\';
    std::memcpy(path + length, name, name_length + 1);
    // With the full path the library itself cannot come from elsewhere; the flags keep the
    // libraries it imports from being searched for in the program's folder as well.
    if (system32_search_available())
        return LoadLibraryExA(path, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    return LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}
