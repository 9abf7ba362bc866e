#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <vector>
#include "services/shortcuts.h"
#include "services/system_paths.h"

namespace {
// Each interface pointer is released on every way out of create_shortcut.
template <class T> struct ComRef {
    T* p = nullptr;
    ~ComRef() {
        if (p) p->Release();
    }
};

// The shell's published ids, spelled out so that no import library of every id is linked in.
constexpr CLSID kClsidShellLink = {
    0x00021401, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr IID kIidShellLinkA = {
    0x000214EE, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr IID kIidShellLinkW = {
    0x000214F9, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr IID kIidPersistFile = {
    0x0000010B, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// COM is started for one shortcut only and stopped again, so no apartment outlives the call.
struct ComScope {
    ComScope() { CoInitialize(nullptr); }
    ~ComScope() { CoUninitialize(); }
};

// The link path as the file calls take it.
std::vector<wchar_t> wide_path(const std::string& path) {
    int wide_length = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0);
    if (wide_length <= 0) return {};
    std::vector<wchar_t> wide(static_cast<size_t>(wide_length));
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide.data(), wide_length);
    return wide;
}
} // namespace

int create_shortcut(const std::string& target, const std::string& link,
                    const std::string& arguments, const std::string& description,
                    const std::string& working_folder, int show_command, int hot_key,
                    const std::string& icon_path, int icon_index) {
    ComScope com;
    ComRef<IShellLinkA> shell_link;
    if (CoCreateInstance(kClsidShellLink, nullptr, CLSCTX_INPROC_SERVER, kIidShellLinkA,
                         reinterpret_cast<void**>(&shell_link.p)) != S_OK)
        return 0;
    shell_link.p->SetPath(target.c_str());
    shell_link.p->SetArguments(arguments.c_str());
    shell_link.p->SetWorkingDirectory(working_folder.c_str());
    shell_link.p->SetDescription(description.c_str());
    shell_link.p->SetShowCmd(show_command);
    shell_link.p->SetHotkey(WORD(hot_key));
    shell_link.p->SetIconLocation(icon_path.c_str(), icon_index);

    ComRef<IPersistFile> file;
    if (FAILED(shell_link.p->QueryInterface(kIidPersistFile, reinterpret_cast<void**>(&file.p))))
        return 0;
    std::vector<wchar_t> wide_link = wide_path(link);
    if (wide_link.empty()) return 0;
    // A link the system refuses to write (a folder or a read-only file in its place, a folder
    // without write access) is a failure: recording it as made would hide a missing shortcut.
    return SUCCEEDED(file.p->Save(wide_link.data(), TRUE)) ? 1 : 0;
}

bool shortcut_target(const std::string& link, std::string& target) {
    ComScope com;
    ComRef<IPersistFile> file;
    std::vector<wchar_t> wide_link = wide_path(link);
    if (wide_link.empty() ||
        CoCreateInstance(kClsidShellLink, nullptr, CLSCTX_INPROC_SERVER, kIidPersistFile,
                         reinterpret_cast<void**>(&file.p)) != S_OK ||
        FAILED(file.p->Load(wide_link.data(), STGM_READ)))
        return false;
    // The path as stored: no search for a target that has moved, and nothing expanded. On the NT
    // family the link keeps the target's real names, which the ANSI interface would spell with
    // look-alikes where the code page lacks a letter: the wide form goes through the path rule.
    ComRef<IShellLinkW> wide_link_object;
    wchar_t wide[MAX_PATH] = {};
    if (!ansi_system() &&
        SUCCEEDED(file.p->QueryInterface(kIidShellLinkW,
                                         reinterpret_cast<void**>(&wide_link_object.p))) &&
        wide_link_object.p->GetPath(wide, MAX_PATH, nullptr, SLGP_RAWPATH) == S_OK)
        return ansi_path(wide, target);
    ComRef<IShellLinkA> shell_link;
    char path[MAX_PATH] = {};
    if (FAILED(file.p->QueryInterface(kIidShellLinkA, reinterpret_cast<void**>(&shell_link.p))) ||
        shell_link.p->GetPath(path, MAX_PATH, nullptr, SLGP_RAWPATH) != S_OK)
        return false;
    target = path;
    return true;
}
