// Start-up under Wine: the recorded-installation check against real registry values, the
// proposed folders, the system check under several reported Windows versions (each in a child
// copy of this program with its own AppDefaults), and the second-copy guard of the installer.
#include <windows.h>
#include <string>
#include "check.h"
#include "core/session.h"
#include "core/startup.h"
#include "env/system_check.h"
#include "services/dir_examine.h"
#include "test_files.h"

namespace {

const char* const kKey = "SOFTWARE\\Kavento-Producer";

void clear_record() {
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kKey);
}

void set_dword(const char* name, DWORD value) {
    HKEY key;
    CHECK_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                             nullptr),
             0L);
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<BYTE*>(&value), sizeof value);
    RegCloseKey(key);
}

void set_text(const char* name, const std::string& text, const char* key_path = kKey) {
    HKEY key;
    CHECK_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, key_path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                             &key, nullptr),
             0L);
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   DWORD(text.size() + 1));
    RegCloseKey(key);
}

// A fresh session as start-up steps 1 to 5 leave it, then step 9.
RecordedVersion check_record(std::string& recorded) {
    reset_session(GetModuleHandleA(nullptr));
    propose_target_folder();
    recorded = "untouched";
    return read_recorded_installation(recorded);
}

void test_session_constants() {
    reset_session(GetModuleHandleA(nullptr));
    CHECK_EQ(session.installer_name, std::string("Kavento-Install"));
    CHECK_EQ(session.version_text, std::string("1.20.1"));
    CHECK_EQ(session.version_number, 12010);
    CHECK_EQ(session.start_menu_folder, std::string("Kavento-Producer"));
    CHECK_EQ(int(session.make_start_menu_links), 1);
    CHECK_EQ(int(session.make_desktop_link_producer), 1);
    CHECK_EQ(int(session.make_desktop_link_player), 0);
    CHECK_EQ(int(session.existing_install), 0);
    CHECK(session.windows_name.empty());

    char own[MAX_PATH];
    GetModuleFileNameA(nullptr, own, MAX_PATH);
    std::string own_path = own;
    CHECK_EQ(session.installer_folder, own_path.substr(0, own_path.rfind('\\') + 1));
}

void make_or_remove_folder(const char* path, bool wanted) {
    // The last examination keeps its search open, which would keep the folder from going.
    dir_examine_shutdown();
    if (wanted)
        CreateDirectoryA(path, nullptr);
    else
        RemoveDirectoryA(path);
}

// The program-files lookup working, then failing: the shell reads the folder from the system's
// record and fails when the folder recorded there does not exist, as on a system without one.
// Only then do the two old folders count, "C:\Programme" first; without either the product
// folder is proposed on the current drive.
void test_proposed_folder() {
    const char* const kCurrentVersion = "Software\\Microsoft\\Windows\\CurrentVersion";
    struct Row {
        bool lookup_fails, programme, programs;
        const char* folder;
    } rows[] = {{false, true, true, "C:\\Program Files"},
                {true, true, true, "C:\\Programme"},
                {true, false, true, "C:\\Programs"},
                {true, false, false, ""}};
    for (const Row& row : rows) {
        set_text("ProgramFilesDir", row.lookup_fails ? "C:\\Nirgends" : "C:\\Program Files",
                 kCurrentVersion);
        make_or_remove_folder("C:\\Programme", row.programme);
        make_or_remove_folder("C:\\Programs", row.programs);
        reset_session(GetModuleHandleA(nullptr));
        propose_target_folder();
        CHECK_EQ(session.program_files_folder, std::string(row.folder));
        CHECK_EQ(session.target_folder, std::string(row.folder) + "\\Kavento-Producer");
    }
    set_text("ProgramFilesDir", "C:\\Program Files", kCurrentVersion);
}

void test_recorded_installation() {
    std::string recorded;

    clear_record();
    CHECK(check_record(recorded) == RecordedVersion::kNone);
    CHECK_EQ(session.target_folder, std::string("C:\\Program Files\\Kavento-Producer"));
    CHECK_EQ(int(session.existing_install), 0);

    set_dword("version_number", 12010);
    CHECK(check_record(recorded) == RecordedVersion::kSame);

    set_dword("version_number", 12011);
    set_text("version_string", "1.20.2");
    CHECK(check_record(recorded) == RecordedVersion::kNewer);
    CHECK_EQ(recorded, std::string("1.20.2"));

    // Without version_string the message names the digits that were read last.
    clear_record();
    set_dword("version_number", 12011);
    CHECK(check_record(recorded) == RecordedVersion::kNewer);
    CHECK_EQ(recorded, std::string("12011"));

    set_dword("version_number", 12009);
    CHECK(check_record(recorded) == RecordedVersion::kOlder);
    CHECK_EQ(recorded, std::string("untouched"));

    // A string of digits is compared like the number; one without digits is an old version.
    clear_record();
    set_text("version_number", "12010");
    CHECK(check_record(recorded) == RecordedVersion::kSame);
    set_text("version_number", "none");
    CHECK(check_record(recorded) == RecordedVersion::kOlder);

    // The recorded folder of an installation fixes the target even when the version is missing.
    const std::string folder = "C:\\kvstart-apps\\Kavento";
    CreateDirectoryA("C:\\kvstart-apps", nullptr);
    CreateDirectoryA(folder.c_str(), nullptr);
    write_all(folder + "\\Kav-Producer.exe", "the authoring tool");
    clear_record();
    set_text("program_path", folder);
    CHECK(check_record(recorded) == RecordedVersion::kNone);
    CHECK_EQ(session.target_folder, folder);
    CHECK_EQ(int(session.existing_install), 1);
    set_dword("version_number", 12000);
    CHECK(check_record(recorded) == RecordedVersion::kOlder);
    CHECK_EQ(session.target_folder, folder);
    CHECK_EQ(int(session.existing_install), 1);
    // Read as the registry layer reads every value: one far longer than a folder text is none,
    // even when its first zero ends a good one.
    const std::string padded = folder + std::string(1, '\0') + std::string(4000, 'x');
    HKEY key;
    CHECK_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_ALL_ACCESS, &key), 0L);
    RegSetValueExA(key, "program_path", 0, REG_SZ, reinterpret_cast<const BYTE*>(padded.data()),
                   DWORD(padded.size() + 1));
    RegCloseKey(key);
    check_record(recorded);
    CHECK_EQ(int(session.existing_install), 0);
    CHECK(session.target_folder != folder);
    clear_record();
    DeleteFileA((folder + "\\Kav-Producer.exe").c_str());
    RemoveDirectoryA(folder.c_str());
    RemoveDirectoryA("C:\\kvstart-apps");
}

// Runs a copy of this program named NAME.exe, with the Wine settings given for that name, and
// returns its exit code (or -1).
DWORD run_copy(const std::string& name, const std::string& version, bool no_ddraw,
               const std::string& mode) {
    char own[MAX_PATH];
    GetModuleFileNameA(nullptr, own, MAX_PATH);
    std::string copy = temp_folder_path() + name + ".exe";
    if (!CopyFileA(own, copy.c_str(), FALSE)) return DWORD(-1);

    std::string app_key = "Software\\Wine\\AppDefaults\\" + name + ".exe";
    HKEY key;
    RegCreateKeyExA(HKEY_CURRENT_USER, app_key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                    &key, nullptr);
    if (!version.empty())
        RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version.c_str()),
                       DWORD(version.size() + 1));
    RegCloseKey(key);
    if (no_ddraw) {
        RegCreateKeyExA(HKEY_CURRENT_USER, (app_key + "\\DllOverrides").c_str(), 0, nullptr, 0,
                        KEY_ALL_ACCESS, nullptr, &key, nullptr);
        RegSetValueExA(key, "ddraw", 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1);
        RegCloseKey(key);
    }

    std::string command = "\"" + copy + "\" " + mode;
    STARTUPINFOA start = {};
    start.cb = sizeof start;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &start,
                        &process))
        return DWORD(-1);
    DWORD code = DWORD(-1);
    if (WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0)
        GetExitCodeProcess(process.hProcess, &code);
    else
        TerminateProcess(process.hProcess, 99);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    DeleteFileA(copy.c_str());
    return code;
}

// In the child: the result of the system check, as an exit code.
int child_system_check() {
    reset_session(GetModuleHandleA(nullptr));
    run_system_check();
    int32_t code = classify_windows();
    std::string name;
    int supported = -1;
    windows_name_of_code(code, name, supported);
    bool name_matches = session.windows_name == name && session.windows_supported == supported;
    release_directx_probe();
    return code * 100 + session.has_directx7 * 10 + session.has_direct3d + (name_matches ? 0 : 5);
}

void test_system_check_under_versions() {
    struct Row {
        const char* version;
        int code;
    } rows[] = {{"win95", 10}, {"nt40", 20},  {"win98", 30}, {"winme", 40},
                {"win2k", 50}, {"winxp", 60}, {"win10", 100}};
    for (const Row& row : rows) {
        DWORD result = run_copy(std::string("kvver_") + row.version, row.version, false, "--check");
        CHECK_EQ(int(result) / 100, row.code);
        CHECK_EQ(int(result) % 100 / 10, 1); // DirectX 7 is there
        CHECK_EQ(int(result) % 10, 1);       // and a hardware device (Wine's HAL over GL)
    }
    // Without DDRAW.DLL both DirectX answers are 0, and nothing breaks.
    DWORD result = run_copy("kvnoddraw", "winxp", true, "--check");
    CHECK_EQ(int(result), 6000);
}

void test_system_check_here() {
    reset_session(GetModuleHandleA(nullptr));
    run_system_check();
    CHECK_EQ(session.windows_name, std::string("Windows Vista")); // the template's Windows 7
    CHECK_EQ(session.windows_supported, 1);
    CHECK_EQ(session.has_directx7, 1);
    CHECK_EQ(session.has_direct3d, 1);
    // The probe's object is kept; a second probe must not pile up another one.
    CHECK(probe_directx7() != 0);
    release_directx_probe();
    release_directx_probe(); // a second release is harmless
    CHECK_EQ(probe_direct3d(), 1);
}

// Waits for the process while handling this thread's messages (the other copy restores our
// stand-in window, which needs this thread to answer).
bool wait_pumping(HANDLE process, DWORD ms) {
    DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) {
        DWORD r = MsgWaitForMultipleObjects(1, &process, FALSE, 100, QS_ALLINPUT);
        if (r == WAIT_OBJECT_0) return true;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return false;
}

void test_second_copy_leaves() {
    std::string installer = built_file("Kavento-Install.exe");
    CHECK(exists(installer));
    // With the same version recorded a first copy would stop at a message box; a second copy
    // must leave before it even looks.
    set_dword("version_number", 12010);
    HANDLE running = CreateMutexA(nullptr, TRUE, "Kavento-Install.Running");
    CHECK(running != nullptr);
    // The open wizard of the first copy, minimised: the second copy brings it back.
    HWND wizard = CreateWindowA("STATIC", "Kavento-Install", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10,
                                10, 200, 100, nullptr, nullptr, nullptr, nullptr);
    ShowWindow(wizard, SW_MINIMIZE);
    CHECK(IsIconic(wizard));

    std::string command = "\"" + installer + "\"";
    STARTUPINFOA start = {};
    start.cb = sizeof start;
    PROCESS_INFORMATION process = {};
    CHECK(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &start,
                         &process));
    if (process.hProcess) {
        bool ended = wait_pumping(process.hProcess, 30000);
        CHECK(ended);
        DWORD code = 1;
        if (!ended) TerminateProcess(process.hProcess, 99);
        GetExitCodeProcess(process.hProcess, &code);
        CHECK_EQ(code, DWORD(0));
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CHECK(!IsIconic(wizard));
    DestroyWindow(wizard);
    CloseHandle(running);
    clear_record();
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == "--check") return child_system_check();
    test_session_constants();
    test_proposed_folder();
    test_recorded_installation();
    test_system_check_here();
    test_system_check_under_versions();
    test_second_copy_leaves();
    return check_report();
}
