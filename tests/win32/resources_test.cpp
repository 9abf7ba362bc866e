// What Explorer, the taskbar and the loader read from the installer and Uninstall.exe: icon 1 in
// three sizes, the version record (the installer's own version, German, Windows-1252) and a
// manifest that asks for administrator rights and nothing that would change the look or the
// version Windows reports.
#include <windows.h>
#include <string>
#include <vector>
#include "check.h"
#include "core/session.h"
#include "test_files.h"

namespace {

#pragma pack(push, 2)
struct IconGroupHeader {
    WORD reserved, type, count;
};
struct IconGroupEntry {
    BYTE width, height, colours, reserved;
    WORD planes, bits;
    DWORD bytes;
    WORD id;
};
#pragma pack(pop)

std::string resource_text(HMODULE module, LPCSTR type, LPCSTR name) {
    HRSRC found = FindResourceA(module, name, type);
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const char* bytes = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    return bytes ? std::string(bytes, SizeofResource(module, found)) : std::string();
}

void check_icon(HMODULE module) {
    std::string group = resource_text(module, RT_GROUP_ICON, MAKEINTRESOURCEA(1));
    CHECK(group.size() >= sizeof(IconGroupHeader));
    if (group.size() < sizeof(IconGroupHeader)) return;
    auto header = reinterpret_cast<const IconGroupHeader*>(group.data());
    CHECK_EQ(int(header->type), 1);
    CHECK_EQ(group.size(), sizeof(IconGroupHeader) + header->count * sizeof(IconGroupEntry));
    std::vector<int> sizes;
    auto entries = reinterpret_cast<const IconGroupEntry*>(group.data() + sizeof *header);
    for (WORD i = 0;
         i < header->count && group.size() >= sizeof *header + (i + 1u) * sizeof *entries; ++i) {
        sizes.push_back(entries[i].width);
        CHECK_EQ(int(entries[i].height), int(entries[i].width));
        // Every image is there, and the system makes an icon of it.
        std::string image = resource_text(module, RT_ICON, MAKEINTRESOURCEA(entries[i].id));
        CHECK_EQ(image.size(), size_t(entries[i].bytes));
        HICON icon =
            CreateIconFromResourceEx(reinterpret_cast<BYTE*>(&image[0]), DWORD(image.size()), TRUE,
                                     0x00030000, entries[i].width, entries[i].width, 0);
        CHECK(icon != nullptr);
        if (icon) DestroyIcon(icon);
    }
    CHECK(sizes == std::vector<int>({16, 32, 48}));
}

std::string version_value(const std::vector<char>& info, const std::string& name) {
    void* value = nullptr;
    UINT length = 0;
    std::string query = "\\StringFileInfo\\040704E4\\" + name;
    if (!VerQueryValueA(info.data(), query.c_str(), &value, &length) || !value) return "<none>";
    return std::string(static_cast<const char*>(value));
}

void check_version(const std::string& path, const std::string& file_name) {
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    CHECK(size > 0);
    if (size == 0) return;
    std::vector<char> info(size);
    CHECK(GetFileVersionInfoA(path.c_str(), 0, size, info.data()));

    void* value = nullptr;
    UINT length = 0;
    CHECK(VerQueryValueA(info.data(), "\\", &value, &length) && length >= sizeof(VS_FIXEDFILEINFO));
    if (value) {
        auto fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
        CHECK_EQ(fixed->dwFileVersionMS, DWORD(MAKELONG(20, 1)));
        CHECK_EQ(fixed->dwFileVersionLS, DWORD(MAKELONG(0, 1)));
        CHECK_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
        CHECK_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);
    }
    CHECK(VerQueryValueA(info.data(), "\\VarFileInfo\\Translation", &value, &length) &&
          length == 4);
    if (value && length == 4) {
        CHECK_EQ(int(static_cast<const WORD*>(value)[0]), 0x0407);
        CHECK_EQ(int(static_cast<const WORD*>(value)[1]), 1252);
    }
    const std::string version = std::string(kVersionText) + ".0";
    CHECK_EQ(version_value(info, "FileVersion"), version);
    CHECK_EQ(version_value(info, "ProductVersion"), version);
    CHECK_EQ(version_value(info, "ProductName"), std::string("Kavento-Producer"));
    // The publisher that the system's list of installed programs shows.
    CHECK_EQ(version_value(info, "CompanyName"), std::string(kCompanyName));
    CHECK_EQ(version_value(info, "OriginalFilename"), file_name);
    CHECK(version_value(info, "FileDescription").find("Kavento-Producer") != std::string::npos);
}

void check_manifest(HMODULE module) {
    std::string manifest = resource_text(module, MAKEINTRESOURCEA(24), MAKEINTRESOURCEA(1));
    CHECK(manifest.find("<requestedExecutionLevel level=\"requireAdministrator\"") !=
          std::string::npos);
    // Each of these would change the look, the layout or the version that GetVersionEx reports.
    for (const char* unwanted : {"Common-Controls", "dpiAware", "dpiAwareness", "supportedOS"})
        CHECK_EQ(manifest.find(unwanted), std::string::npos);
}

// A program of the build, `relative` to the build folder.
void check_program(const std::string& relative) {
    std::string path = built_file(relative);
    HMODULE module = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    CHECK(module != nullptr);
    if (!module) return;
    check_icon(module);
    check_manifest(module);
    FreeLibrary(module);
    check_version(path, relative.substr(relative.rfind('/') + 1));
}

} // namespace

int main() {
    check_program("Kavento-Install.exe");
    check_program("programs/Uninstall.exe");
    return check_report();
}
