#include "services/system_library.h"
#include <cstring>

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

namespace {

#ifdef KV_TEST_SEAMS
// Test builds only: "kv-without=NAME,NAME" on the command line makes those exports look absent,
// as on the older Windows versions that lack them, so that the fallbacks run under Wine too. The
// shipped programs are built without any of this.
bool seam_hides(const char* name) {
    const char* const option = "kv-without=";
    size_t name_length = std::strlen(name);
    for (const char* at = std::strstr(GetCommandLineA(), option); at;
         at = std::strstr(at, option)) {
        at += std::strlen(option);
        while (*at && *at != ' ') {
            size_t length = std::strcspn(at, ", ");
            if (length == name_length && std::strncmp(at, name, length) == 0) return true;
            at += length;
            if (*at == ',') ++at;
        }
    }
    return false;
}
#else
constexpr bool seam_hides(const char*) {
    return false;
}
#endif

HMODULE kernel32() {
    return GetModuleHandleA("KERNEL32.DLL");
}

// LOAD_LIBRARY_SEARCH_SYSTEM32 is understood where AddDllDirectory exists (Windows 8, or 7 with
// KB2533623); older systems reject the flag, and there the full path has to do.
bool system32_search_available() {
    return optional_procedure(kernel32(), "AddDllDirectory") != nullptr;
}

} // namespace

FARPROC optional_procedure(HMODULE library, const char* name) {
    if (!library || !name || seam_hides(name)) return nullptr;
    return GetProcAddress(library, name);
}

void limit_library_search() {
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    auto set_default =
        optional_function<SetDefaultDllDirectoriesFn>(kernel32(), "SetDefaultDllDirectories");
    if (set_default) set_default(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

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
