#include "services/system_paths.h"

#include <algorithm>
#include <cstring>
#include <vector>
#include "core/text_rules.h"
#include "services/path_rules.h"
#include "services/system_library.h"

namespace {

// Room for any path the ANSI calls can use (MAX_PATH) and more: a longer one is refused rather
// than cut.
constexpr DWORD kPathBuffer = 1024;

HMODULE kernel32() {
    return GetModuleHandleA("KERNEL32.DLL");
}

// Wide texts are kept in vectors with their zero: the wide string class would bring the runtime's
// thread support along, which imports what Windows 95 lacks.
using WideText = std::vector<wchar_t>;

size_t wide_length(const wchar_t* text) {
    size_t n = 0;
    while (text[n])
        ++n;
    return n;
}

// The code page's spelling of one component, and whether it reads back as the same letters. The
// round trip holds for every code page; the used-default flag of the conversion would not: the
// multi-byte code pages and UTF-8 refuse it.
SpelledName spell(const wchar_t* name, int length) {
    SpelledName spelled;
    if (length == 0) {
        spelled.exact = true;
        return spelled;
    }
    int bytes = WideCharToMultiByte(CP_ACP, 0, name, length, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return spelled;
    spelled.text.resize(size_t(bytes));
    WideCharToMultiByte(CP_ACP, 0, name, length, &spelled.text[0], bytes, nullptr, nullptr);
    int back = MultiByteToWideChar(CP_ACP, 0, spelled.text.data(), bytes, nullptr, 0);
    if (back != length) return spelled;
    WideText again(static_cast<size_t>(back));
    MultiByteToWideChar(CP_ACP, 0, spelled.text.data(), bytes, again.data(), back);
    spelled.exact = std::equal(again.begin(), again.end(), name);
    return spelled;
}

std::vector<SpelledName> spell_components(const wchar_t* path) {
    std::vector<SpelledName> components;
    const wchar_t* start = path;
    for (const wchar_t* p = path;; ++p) {
        if (*p != L'\\' && *p != 0) continue;
        components.push_back(spell(start, int(p - start)));
        if (*p == 0) return components;
        start = p + 1;
    }
}

// The text with its zero; only the zero when it does not convert.
WideText widen(const std::string& text) {
    int n = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    WideText wide(size_t(n > 0 ? n : 1), L'\0');
    if (n > 0) MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), n);
    return wide;
}

// A path through the wide call where the system has one, else through the ANSI call. Both fill a
// buffer of kPathBuffer characters and give the length, 0 for failure, as GetTempPath and
// GetModuleFileName do.
template <class WideCall, class AnsiCall>
bool path_from_system(bool has_wide, WideCall wide_call, AnsiCall ansi_call, std::string& path) {
    if (has_wide && !ansi_system()) {
        wchar_t buffer[kPathBuffer];
        DWORD n = wide_call(buffer);
        return n > 0 && n < kPathBuffer && ansi_path(buffer, path);
    }
    char buffer[kPathBuffer];
    DWORD n = ansi_call(buffer);
    if (n == 0 || n >= kPathBuffer) return false;
    path.assign(buffer, n);
    return true;
}

} // namespace

bool ansi_system() {
    return (GetVersion() & 0x80000000u) != 0;
}

bool ansi_path(const wchar_t* wide, ShortPathLookup short_path, std::string& path) {
    std::vector<SpelledName> long_form = spell_components(wide);
    std::string spelled = ansi_path_from_forms(long_form, long_form);
    if (spelled.empty() && short_path) {
        wchar_t buffer[kPathBuffer];
        DWORD n = short_path(wide, buffer, kPathBuffer);
        if (n > 0 && n < kPathBuffer)
            spelled = ansi_path_from_forms(long_form, spell_components(buffer));
    }
    if (spelled.empty()) return false;
    path = spelled;
    return true;
}

bool ansi_path(const wchar_t* wide, std::string& path) {
    // Every NT has it; on a system without it an unspellable path simply has no ANSI form.
    return ansi_path(wide, optional_function<ShortPathLookup>(kernel32(), "GetShortPathNameW"),
                     path);
}

bool system_temp_folder(std::string& folder) {
    using GetTempPathWFn = DWORD(WINAPI*)(DWORD, wchar_t*);
    auto get_temp_path = optional_function<GetTempPathWFn>(kernel32(), "GetTempPathW");
    if (!path_from_system(
            get_temp_path != nullptr, [&](wchar_t* b) { return get_temp_path(kPathBuffer, b); },
            [](char* b) { return GetTempPathA(kPathBuffer, b); }, folder))
        return false;
    folder = with_trailing_backslash(folder);
    return true;
}

bool module_file_path(HMODULE module, std::string& path) {
    using GetModuleFileNameWFn = DWORD(WINAPI*)(HMODULE, wchar_t*, DWORD);
    auto get_name = optional_function<GetModuleFileNameWFn>(kernel32(), "GetModuleFileNameW");
    return path_from_system(
        get_name != nullptr, [&](wchar_t* b) { return get_name(module, b, kPathBuffer); },
        [&](char* b) { return GetModuleFileNameA(module, b, kPathBuffer); }, path);
}

bool item_list_path(HMODULE shell, LPCITEMIDLIST items, std::string& path) {
    using PathOfListW = BOOL(WINAPI*)(LPCITEMIDLIST, wchar_t*);
    using PathOfListA = BOOL(WINAPI*)(LPCITEMIDLIST, char*);
    auto path_w = optional_function<PathOfListW>(shell, "SHGetPathFromIDListW");
    // The 95 family's shell knows the ANSI call by its plain name.
    auto path_a = optional_function<PathOfListA>(shell, "SHGetPathFromIDList");
    if (!path_a) path_a = optional_function<PathOfListA>(shell, "SHGetPathFromIDListA");
    if (!path_a && !path_w) return false;
    // The calls fill MAX_PATH characters; the rest of the buffer stays zero.
    return path_from_system(
        path_w != nullptr,
        [&](wchar_t* b) {
            std::fill(b, b + kPathBuffer, L'\0');
            return path_w(items, b) ? DWORD(wide_length(b)) : 0;
        },
        [&](char* b) {
            std::memset(b, 0, kPathBuffer);
            return path_a && path_a(items, b) ? DWORD(std::strlen(b)) : 0;
        },
        path);
}

std::string comparable_path(const std::string& path) {
    if (ansi_system()) {
        // Windows 98 and ME have the call; there the ANSI form is the system's own.
        using GetLongPathNameAFn = DWORD(WINAPI*)(const char*, char*, DWORD);
        auto get_long = optional_function<GetLongPathNameAFn>(kernel32(), "GetLongPathNameA");
        char buffer[kPathBuffer];
        DWORD n = get_long ? get_long(path.c_str(), buffer, kPathBuffer) : 0;
        return n == 0 || n >= kPathBuffer ? path : std::string(buffer, n);
    }
    // Windows 98 and 2000 on; NT 4 lacks it.
    using GetLongPathNameWFn = DWORD(WINAPI*)(const wchar_t*, wchar_t*, DWORD);
    auto get_long = optional_function<GetLongPathNameWFn>(kernel32(), "GetLongPathNameW");
    WideText wide = widen(path);
    if (!get_long || wide.size() < 2) return path;
    // The system tells the long form only of what exists: the part of the path that does, and
    // the rest as written. A drive root ("C:") is never asked for; it would mean its current
    // folder.
    for (size_t end = wide.size() - 1; end > 2;) {
        const wchar_t cut_off = wide[end];
        wide[end] = L'\0';
        wchar_t buffer[kPathBuffer];
        DWORD n = get_long(wide.data(), buffer, kPathBuffer);
        wide[end] = cut_off;
        if (n > 0 && n < kPathBuffer) {
            std::string head;
            if (!ansi_path(buffer, head)) return path;
            // The rest came from the ANSI text, so it spells back exactly.
            return head + spell(wide.data() + end, int(wide.size() - 1 - end)).text;
        }
        while (--end > 0 && wide[end] != L'\\') {
        }
    }
    return path;
}
