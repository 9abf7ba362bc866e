// Document types registered in the running Wine: the application layout under the default
// Windows 7 version, and the class layout in a child run of this program that Wine reports as
// Windows 98 (GetVersion bits 16-23 zero).
#include <windows.h>
#include <string>
#include <vector>
#include "check.h"
#include "install/file_types.h"
#include "install/undo.h"

namespace {
const std::string kProgram = "C:\\Program Files\\Kavento Producer\\Kav-Player.exe";
const std::string kCommand = "\"" + kProgram + "\" \"%1\"";
const char* const kFileExts = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\";

// A REG_SZ value read past the layer: the text, or "<missing>"; the stored size must be the
// text's length + 1 and the type REG_SZ, else "<bad size>" / "<bad type>".
std::string read_sz(HKEY root, const std::string& sub_key, const std::string& name = "") {
    HKEY key;
    if (RegOpenKeyExA(root, sub_key.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return "<missing>";
    char data[512];
    DWORD size = sizeof data, type = 0;
    LONG status =
        RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) return "<missing>";
    if (type != REG_SZ) return "<bad type>";
    if (size == 0 || data[size - 1] != 0 || std::string(data).size() + 1 != size)
        return "<bad size>";
    return data;
}

bool key_exists(HKEY root, const std::string& sub_key) {
    HKEY key;
    if (RegOpenKeyExA(root, sub_key.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

void register_both() {
    CHECK_EQ(register_file_type("kvf", "Kavento-File", kProgram, kProgram, "Kav-Player.exe", "open",
                                "open"),
             0);
    CHECK_EQ(register_file_type("kve", "Kavento-Export", kProgram, kProgram, "Kav-Player.exe",
                                "open", "open"),
             0);
}

std::string exe_name() {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string p = path;
    return p.substr(p.rfind('\\') + 1);
}
} // namespace

static void application_layout() {
    CHECK(uses_application_layout(GetVersion()));
    register_both();
    CHECK_EQ(read_sz(HKEY_CLASSES_ROOT, "Applications\\Kav-Player.exe\\shell\\open\\command"),
             kCommand);
    CHECK_EQ(read_sz(HKEY_CLASSES_ROOT, ".kvf"), std::string("kvf_auto_file"));
    CHECK_EQ(read_sz(HKEY_CLASSES_ROOT, ".kve"), std::string("kve_auto_file"));
    CHECK_EQ(read_sz(HKEY_CLASSES_ROOT, "kvf_auto_file"), std::string("Kavento-File"));
    CHECK_EQ(read_sz(HKEY_CLASSES_ROOT, "kve_auto_file"), std::string("Kavento-Export"));
    CHECK_EQ(read_sz(HKEY_CLASSES_ROOT, "kvf_auto_file\\DefaultIcon"), kProgram);
    CHECK_EQ(read_sz(HKEY_CURRENT_USER, std::string(kFileExts) + ".kvf", "Application"),
             std::string("Kav-Player.exe"));
    CHECK_EQ(read_sz(HKEY_CURRENT_USER, std::string(kFileExts) + ".kve", "Application"),
             std::string("Kav-Player.exe"));
    // No class of the other layout, and no caption value beside the command.
    CHECK(!key_exists(HKEY_LOCAL_MACHINE, "Software\\Classes\\Kav-Player.exe"));
    CHECK_EQ(read_sz(HKEY_CLASSES_ROOT, "Applications\\Kav-Player.exe\\shell\\open"),
             std::string("<missing>"));
    // Registering again rewrites the same data.
    register_both();
    CHECK_EQ(read_sz(HKEY_CLASSES_ROOT, ".kvf"), std::string("kvf_auto_file"));
}

// A failed run takes its document types back: the keys it created go, and an association that the
// user had given to another program is that program's again.
static void rolled_back() {
    HKEY key;
    const std::string kve = std::string(kFileExts) + ".kve";
    CHECK_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kve.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                             &key, nullptr),
             ERROR_SUCCESS);
    RegSetValueExA(key, "Application", 0, REG_SZ, reinterpret_cast<const BYTE*>("other.exe"), 10);
    RegCloseKey(key);
    session.undo_list.clear();
    register_both();
    CHECK_EQ(read_sz(HKEY_CURRENT_USER, kve, "Application"), std::string("Kav-Player.exe"));
    undo_rollback();
    CHECK_EQ(read_sz(HKEY_CURRENT_USER, kve, "Application"), std::string("other.exe"));
    CHECK(!key_exists(HKEY_CURRENT_USER, std::string(kFileExts) + ".kvf"));
    for (const char* created :
         {".kvf", ".kve", "kvf_auto_file", "kve_auto_file", "Applications\\Kav-Player.exe"})
        CHECK(!key_exists(HKEY_CLASSES_ROOT, created));
    RegDeleteKeyA(HKEY_CURRENT_USER, kve.c_str());
}

// Runs this program again as Windows 98 and passes its verdict on.
static void class_layout_in_child() {
    std::string app_key = "Software\\Wine\\AppDefaults\\" + exe_name();
    HKEY key;
    CHECK_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, app_key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                             nullptr, &key, nullptr),
             ERROR_SUCCESS);
    RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>("win98"), 6);
    RegCloseKey(key);

    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string command = "\"" + std::string(path) + "\" class-layout";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    CHECK(CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si,
                         &pi));
    DWORD code = 99;
    if (pi.hProcess) {
        WaitForSingleObject(pi.hProcess, 120000);
        GetExitCodeProcess(pi.hProcess, &code);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
    CHECK_EQ(code, DWORD(0));
}

// The child: a clean registry for these names (the parent removed its own), then the class
// layout, entirely below HKLM\Software\Classes.
static int class_layout() {
    CHECK_EQ(GetVersion() & 0x00FF0000u, DWORD(0));
    CHECK(!uses_application_layout(GetVersion()));
    register_both();
    const std::string classes = "Software\\Classes\\";
    CHECK_EQ(read_sz(HKEY_LOCAL_MACHINE, classes + ".kvf"), std::string("Kav-Player.exe"));
    CHECK_EQ(read_sz(HKEY_LOCAL_MACHINE, classes + ".kve"), std::string("Kav-Player.exe"));
    // One class for both types: the later description wins.
    CHECK_EQ(read_sz(HKEY_LOCAL_MACHINE, classes + "Kav-Player.exe"),
             std::string("Kavento-Export"));
    CHECK_EQ(read_sz(HKEY_LOCAL_MACHINE, classes + "Kav-Player.exe\\DefaultIcon"), kProgram);
    CHECK_EQ(read_sz(HKEY_LOCAL_MACHINE, classes + "Kav-Player.exe\\shell\\open\\command"),
             kCommand);
    CHECK_EQ(read_sz(HKEY_LOCAL_MACHINE, classes + "Kav-Player.exe\\shell\\open"),
             std::string("<missing>"));
    CHECK(!key_exists(HKEY_LOCAL_MACHINE, classes + "kvf_auto_file"));
    CHECK(!key_exists(HKEY_LOCAL_MACHINE, classes + "Applications\\Kav-Player.exe"));
    CHECK(!key_exists(HKEY_CURRENT_USER, std::string(kFileExts) + ".kvf"));
    CHECK(!key_exists(HKEY_CURRENT_USER, "Software\\Classes\\.kvf"));
    return check_report();
}

static void remove_application_layout() {
    const char* keys[] = {"Applications\\Kav-Player.exe\\shell\\open\\command",
                          "Applications\\Kav-Player.exe\\shell\\open",
                          "Applications\\Kav-Player.exe\\shell",
                          "Applications\\Kav-Player.exe",
                          ".kvf",
                          ".kve",
                          "kvf_auto_file\\DefaultIcon",
                          "kvf_auto_file",
                          "kve_auto_file\\DefaultIcon",
                          "kve_auto_file"};
    for (const char* k : keys)
        RegDeleteKeyA(HKEY_CLASSES_ROOT, k);
    RegDeleteKeyA(HKEY_CURRENT_USER, (std::string(kFileExts) + ".kvf").c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, (std::string(kFileExts) + ".kve").c_str());
    CHECK(!key_exists(HKEY_CLASSES_ROOT, ".kvf"));
}

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == "class-layout") return class_layout();
    application_layout();
    remove_application_layout();
    rolled_back();
    class_layout_in_child();
    return check_report();
}
