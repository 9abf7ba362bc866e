// Shell links made by create_shortcut, read back through the system's own IShellLinkA.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <string>
#include "check.h"
#include "services/shortcuts.h"
#include "test_files.h"

namespace {
std::string g_folder;

struct LinkInfo {
    bool loaded = false;
    std::string path, arguments, description, working, icon;
    int icon_index = -1, show = -1;
    WORD hot_key = 0xFFFF;
};

LinkInfo read_link(const std::string& link) {
    LinkInfo info;
    CoInitialize(nullptr);
    IShellLinkA* sl = nullptr;
    if (CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                         reinterpret_cast<void**>(&sl)) == S_OK) {
        IPersistFile* pf = nullptr;
        if (SUCCEEDED(sl->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&pf)))) {
            wchar_t wide[MAX_PATH];
            MultiByteToWideChar(CP_ACP, 0, link.c_str(), -1, wide, MAX_PATH);
            if (SUCCEEDED(pf->Load(wide, STGM_READ))) {
                char buffer[MAX_PATH] = "";
                info.loaded = true;
                sl->GetPath(buffer, MAX_PATH, nullptr, SLGP_RAWPATH);
                info.path = buffer;
                buffer[0] = 0;
                sl->GetArguments(buffer, MAX_PATH);
                info.arguments = buffer;
                buffer[0] = 0;
                sl->GetDescription(buffer, MAX_PATH);
                info.description = buffer;
                buffer[0] = 0;
                sl->GetWorkingDirectory(buffer, MAX_PATH);
                info.working = buffer;
                buffer[0] = 0;
                sl->GetIconLocation(buffer, MAX_PATH, &info.icon_index);
                info.icon = buffer;
                sl->GetShowCmd(&info.show);
                sl->GetHotkey(&info.hot_key);
            }
            pf->Release();
        }
        sl->Release();
    }
    CoUninitialize();
    return info;
}

uint32_t header_dword(const std::string& link, DWORD offset) {
    uint32_t value = 0xFFFFFFFF;
    HANDLE h = CreateFileA(link.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) return value;
    DWORD got = 0;
    SetFilePointer(h, LONG(offset), nullptr, FILE_BEGIN);
    if (!ReadFile(h, &value, 4, &got, nullptr) || got != 4) value = 0xFFFFFFFF;
    CloseHandle(h);
    return value;
}

void make_file(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    CHECK(h != INVALID_HANDLE_VALUE);
    CloseHandle(h);
}
} // namespace

// The installer's own shape of a link: what the start menu and the desktop receive.
static void installer_links_read_back() {
    std::string target = g_folder + "Kav-Producer.exe";
    make_file(target);
    std::string link = g_folder + "Kavento-Producer.lnk";
    const std::string description = "Programm zum Erstellen von Kawentos und Präsentationen";
    CHECK_EQ(create_shortcut(target, link, "", description, "", 1, 0, target, 0), 1);
    LinkInfo info = read_link(link);
    CHECK(info.loaded);
    CHECK_EQ(info.path, target);
    CHECK_EQ(info.description, description); // the ä survives the trip through the wide name
    CHECK_EQ(info.icon, target);
    CHECK_EQ(info.icon_index, 0);
    CHECK_EQ(info.show, 1);
    CHECK_EQ(info.arguments, std::string());
    CHECK_EQ(int(info.hot_key), 0);

    // Every argument reaches the link, in its own field.
    std::string other = g_folder + "Kav-Player.exe";
    make_file(other);
    std::string full = g_folder + "Full.lnk";
    CHECK_EQ(create_shortcut(other, full, "/x \"a b\"", "Spieler", g_folder, SW_SHOWMINNOACTIVE,
                             MAKEWORD('K', HOTKEYF_CONTROL | HOTKEYF_ALT), target, 2),
             1);
    info = read_link(full);
    CHECK(info.loaded);
    CHECK_EQ(info.path, other);
    CHECK_EQ(info.arguments, std::string("/x \"a b\""));
    CHECK_EQ(info.description, std::string("Spieler"));
    CHECK_EQ(info.working, g_folder);
    // Wine's reader hands back 1 for every show command, so this one is read from the file's
    // header (icon index at 0x38, show command at 0x3C, hot key at 0x40).
    CHECK_EQ(header_dword(full, 0x3C), uint32_t(SW_SHOWMINNOACTIVE));
    CHECK_EQ(header_dword(full, 0x38), uint32_t(2));
    CHECK_EQ(header_dword(full, 0x40) & 0xFFFF,
             uint32_t(MAKEWORD('K', HOTKEYF_CONTROL | HOTKEYF_ALT)));
    CHECK_EQ(int(info.hot_key), int(MAKEWORD('K', HOTKEYF_CONTROL | HOTKEYF_ALT)));
    CHECK_EQ(info.icon, target);
    CHECK_EQ(info.icon_index, 2);

    // An existing link is replaced by the new one.
    CHECK_EQ(create_shortcut(other, link, "", "Neu", "", 1, 0, other, 0), 1);
    info = read_link(link);
    CHECK_EQ(info.path, other);
    CHECK_EQ(info.description, std::string("Neu"));
}

// A link that cannot be saved is reported, so the installer never records a missing file.
static void refused_links_fail() {
    std::string target = g_folder + "Kav-Player.exe";
    CHECK_EQ(create_shortcut(target, g_folder + "missing\\Kavento-Player.lnk", "", "d", "", 1, 0,
                             target, 0),
             0);
    CHECK(!file_exists(g_folder + "missing\\Kavento-Player.lnk"));
    // A folder standing where the link must go.
    std::string blocked = g_folder + "Blocked.lnk";
    CHECK(CreateDirectoryA(blocked.c_str(), nullptr));
    CHECK_EQ(create_shortcut(target, blocked, "", "d", "", 1, 0, target, 0), 0);
}

// COM is stopped again after every call: the thread can start it afresh (S_OK, not S_FALSE).
static void com_is_released() {
    std::string target = g_folder + "Kav-Player.exe";
    CHECK_EQ(create_shortcut(target, g_folder + "a.lnk", "", "", "", 1, 0, target, 0), 1);
    CHECK_EQ(CoInitialize(nullptr), S_OK);
    CoUninitialize();
    CHECK_EQ(create_shortcut(target, g_folder + "missing\\b.lnk", "", "", "", 1, 0, target, 0), 0);
    CHECK_EQ(CoInitialize(nullptr), S_OK);
    CoUninitialize();
    // A caller that holds COM itself keeps it: the call pairs its own start and stop.
    CHECK_EQ(CoInitialize(nullptr), S_OK);
    CHECK_EQ(create_shortcut(target, g_folder + "c.lnk", "", "", "", 1, 0, target, 0), 1);
    CHECK_EQ(CoInitialize(nullptr), S_FALSE);
    CoUninitialize();
    CoUninitialize();
}

int main() {
    g_folder = make_folder_in(temp_folder_path(), "kv shortcuts test");
    installer_links_read_back();
    refused_links_fail();
    com_is_released();
    return check_report();
}
