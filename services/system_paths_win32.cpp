#include "services/system_paths.h"

#include <algorithm>
#include <cstring>
#include "services/path_rules.h"
#include "services/system_library.h"

// Kept small: Uninstall.exe carries all of this. Wide texts stay in fixed buffers; the wide
// string class would also bring the runtime's thread support, which imports what Windows 95
// lacks.

namespace {

// Room for any path the ANSI calls can use (MAX_PATH) and more: a longer one is refused rather
// than cut.
constexpr DWORD kPathBuffer = 1024;

HMODULE kernel32() {
    return GetModuleHandleA("KERNEL32.DLL");
}

// A wide call of the NT family, or null where the system answers in ANSI only.
template <class Function> Function wide_call(HMODULE library, const char* name) {
    return ansi_system() ? nullptr : optional_function<Function>(library, name);
}

// The round trip holds for every code page; the used-default flag of the conversion would not:
// the multi-byte code pages and UTF-8 refuse it.
bool spell(const wchar_t* name, size_t length, std::string& out) {
    // Room for the longest spelling of any code page: three bytes a letter (UTF-8).
    const size_t at = out.size();
    out.resize(at + 3 * length);
    int bytes = WideCharToMultiByte(CP_ACP, 0, name, int(length), &out[at], int(3 * length),
                                    nullptr, nullptr);
    out.resize(at + size_t(bytes > 0 ? bytes : 0));
    wchar_t back[kPathBuffer];
    int letters = MultiByteToWideChar(CP_ACP, 0, out.data() + at, bytes, back, int(kPathBuffer));
    return size_t(letters) == length && std::equal(back, back + letters, name);
}

// What a call gave into its buffer (its length; 0 for failure) as a path.
bool take_wide(size_t length, const wchar_t* buffer, std::string& path) {
    return length > 0 && length < kPathBuffer && ansi_path(buffer, path);
}

bool take_ansi(size_t length, const char* buffer, std::string& path) {
    if (length == 0 || length >= kPathBuffer) return false;
    path.assign(buffer, length);
    return true;
}

} // namespace

bool ansi_system() {
    return (GetVersion() & 0x80000000u) != 0;
}

bool ansi_path(const wchar_t* wide, std::string& path, ShortPathLookup short_path) {
    if (ansi_path_from_forms(wide, wide, spell, path)) return true;
    // Every NT has it; on a system without it an unspellable path simply has no ANSI form.
    if (!short_path)
        short_path = optional_function<ShortPathLookup>(kernel32(), "GetShortPathNameW");
    wchar_t short_form[kPathBuffer];
    DWORD length = short_path ? short_path(wide, short_form, kPathBuffer) : 0;
    return length > 0 && length < kPathBuffer &&
           ansi_path_from_forms(wide, short_form, spell, path);
}

bool system_temp_folder(std::string& folder) {
    using GetTempPathWFn = DWORD(WINAPI*)(DWORD, wchar_t*);
    auto get_temp_path = wide_call<GetTempPathWFn>(kernel32(), "GetTempPathW");
    bool found;
    if (get_temp_path) {
        wchar_t buffer[kPathBuffer];
        found = take_wide(get_temp_path(kPathBuffer, buffer), buffer, folder);
    } else {
        char buffer[kPathBuffer];
        found = take_ansi(GetTempPathA(kPathBuffer, buffer), buffer, folder);
    }
    // The system ends it with a backslash.
    return found;
}

bool module_file_path(HMODULE module, std::string& path) {
    using GetModuleFileNameWFn = DWORD(WINAPI*)(HMODULE, wchar_t*, DWORD);
    auto get_name = wide_call<GetModuleFileNameWFn>(kernel32(), "GetModuleFileNameW");
    if (get_name) {
        wchar_t buffer[kPathBuffer];
        return take_wide(get_name(module, buffer, kPathBuffer), buffer, path);
    }
    char buffer[kPathBuffer];
    return take_ansi(GetModuleFileNameA(module, buffer, kPathBuffer), buffer, path);
}

bool item_list_path(HMODULE shell, LPCITEMIDLIST items, std::string& path) {
    // The calls fill at most MAX_PATH characters.
    using PathOfListW = BOOL(WINAPI*)(LPCITEMIDLIST, wchar_t*);
    if (auto path_w = wide_call<PathOfListW>(shell, "SHGetPathFromIDListW")) {
        wchar_t buffer[kPathBuffer];
        if (!path_w(items, buffer)) return false;
        size_t length = 0;
        while (buffer[length])
            ++length;
        return take_wide(length, buffer, path);
    }
    // The ANSI call by its plain name, which every shell since Windows 95 exports.
    using PathOfListA = BOOL(WINAPI*)(LPCITEMIDLIST, char*);
    auto path_a = optional_function<PathOfListA>(shell, "SHGetPathFromIDList");
    char buffer[kPathBuffer];
    return path_a && path_a(items, buffer) && take_ansi(std::strlen(buffer), buffer, path);
}

void make_comparable_path(std::string& path) {
    if (ansi_system()) {
        // Windows 98 and ME have the call; there the ANSI form is the system's own.
        using GetLongPathNameAFn = DWORD(WINAPI*)(const char*, char*, DWORD);
        auto get_long = optional_function<GetLongPathNameAFn>(kernel32(), "GetLongPathNameA");
        char buffer[kPathBuffer];
        if (get_long) take_ansi(get_long(path.c_str(), buffer, kPathBuffer), buffer, path);
        return;
    }
    // Windows 98 and 2000 on; NT 4 lacks it.
    using GetLongPathNameWFn = DWORD(WINAPI*)(const wchar_t*, wchar_t*, DWORD);
    auto get_long = optional_function<GetLongPathNameWFn>(kernel32(), "GetLongPathNameW");
    wchar_t wide[kPathBuffer];
    int letters = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, int(kPathBuffer)) - 1;
    // The system tells the long form only of what exists: the part of the path that does, and
    // the rest as written. A drive root ("C:") is never asked for; it would mean its current
    // folder.
    for (size_t end = get_long && letters > 0 ? size_t(letters) : 0; end > 2;) {
        const wchar_t cut_off = wide[end];
        wide[end] = L'\0';
        wchar_t buffer[kPathBuffer];
        DWORD length = get_long(wide, buffer, kPathBuffer);
        wide[end] = cut_off;
        if (length > 0) {
            // The rest came from the ANSI text, so it spells back exactly.
            if (take_wide(length, buffer, path)) spell(wide + end, size_t(letters) - end, path);
            return;
        }
        while (--end > 0 && wide[end] != L'\\') {
        }
    }
}
