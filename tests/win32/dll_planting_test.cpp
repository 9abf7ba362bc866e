// A library planted beside the program under a system library's name must not be loaded: the
// installer runs from a downloads folder, where anyone may have left a DDRAW.DLL.
//
// The test copies itself and the planted library (kv_planted.dll, built beside it) into a fresh
// "downloads" folder, under the names of the libraries that the installer loads at run time, and
// runs the copy there. A second run shows that a plain LoadLibraryA would have taken the plant,
// and a third that it no longer does once the process has limited its library search. Last, the
// installer itself starts in that folder and must not load the plants either: COMCTL32.DLL is no
// library that the system guards, so an import of it by name would take the plant.
#include <windows.h>
#include <string>
#include "check.h"
#include "services/system_library.h"
#include "test_files.h"

namespace {

const char* const kPlantedNames[] = {"COMCTL32.DLL", "DDRAW.DLL", "RICHED20.DLL", "RICHED32.DLL",
                                     "SHELL32.DLL"};
// Planted too, though no system library has that name: there is no fallback to other folders.
const char* const kOnlyPlanted = "KVONLYPLANTED.DLL";

std::string folder_of_module(HMODULE module) {
    char path[MAX_PATH] = "";
    DWORD length = GetModuleFileNameA(module, path, MAX_PATH);
    std::string text(path, length);
    return text.substr(0, text.rfind('\\') + 1);
}

std::string lower(std::string text) {
    CharLowerBuffA(&text[0], DWORD(text.size()));
    return text;
}

bool planted_was_loaded() {
    char path[MAX_PATH];
    return GetEnvironmentVariableA("KV_PLANTED_DLL_LOADED", path, MAX_PATH) != 0;
}

// In the downloads folder: every name comes from the system folder, the plant stays untouched.
int check_loads() {
    char system[MAX_PATH];
    UINT length = GetSystemDirectoryA(system, MAX_PATH);
    std::string system_folder = lower(std::string(system, length)) + "\\";
    for (const char* name : kPlantedNames) {
        HMODULE module = load_system_library(name);
        CHECK(module != nullptr);
        if (!module) continue;
        CHECK_EQ(lower(folder_of_module(module)), system_folder);
        CHECK(GetProcAddress(module, "KvPlantedMarker") == nullptr);
    }
    CHECK(load_system_library(kOnlyPlanted) == nullptr);
    CHECK(!planted_was_loaded());

    // Names with a folder part are refused, whatever they point at.
    std::string own_folder = folder_of_module(nullptr);
    CHECK(load_system_library((own_folder + "DDRAW.DLL").c_str()) == nullptr);
    CHECK(load_system_library(".\\DDRAW.DLL") == nullptr);
    CHECK(load_system_library("..\\downloads\\DDRAW.DLL") == nullptr);
    CHECK(load_system_library("C:DDRAW.DLL") == nullptr);
    CHECK(load_system_library("") == nullptr);
    CHECK(load_system_library(nullptr) == nullptr);
    CHECK(!planted_was_loaded());
    return check_report();
}

// After the installer's first step, the ordinary search no longer looks in the program's folder.
int limited_loads() {
    limit_library_search();
    HMODULE module = LoadLibraryA("DDRAW.DLL");
    CHECK(module != nullptr);
    if (module) CHECK(GetProcAddress(module, "KvPlantedMarker") == nullptr);
    CHECK(LoadLibraryA(kOnlyPlanted) == nullptr);
    CHECK(!planted_was_loaded());
    return check_report();
}

// The same folder with the ordinary search: exit code 0 when the plant was taken.
int plain_load(const char* name) {
    HMODULE module = LoadLibraryA(name);
    bool planted = module && GetProcAddress(module, "KvPlantedMarker") && planted_was_loaded();
    std::printf("plain LoadLibraryA(\"%s\"): %s\n", name,
                planted ? "the planted library" : "not the planted library");
    return planted ? 0 : 1;
}

// Whether the process shows the wizard's window.
bool shows_wizard(DWORD process) {
    for (HWND w = nullptr;
         (w = FindWindowExA(nullptr, w, nullptr, "Kavento-Install")) != nullptr;) {
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if (owner == process && IsWindowVisible(w)) return true;
    }
    return false;
}

// Starts the installer in its folder, waits for its wizard (by then every library it
// loads at start-up is loaded) and ends it again. False when the wizard never came.
bool run_installer_until_wizard(const std::string& installer, const std::string& folder) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::string line = "\"" + installer + "\"";
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                        &startup, &process))
        return false;
    bool shown = false;
    for (int tries = 0; tries < 300 && !shown; ++tries) {
        if (WaitForSingleObject(process.hProcess, 100) == WAIT_OBJECT_0) break;
        shown = shows_wizard(process.dwProcessId);
    }
    TerminateProcess(process.hProcess, 0);
    WaitForSingleObject(process.hProcess, 10000);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return shown;
}

DWORD run(const std::string& command_line, const std::string& folder) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::string line = command_line;
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                        &startup, &process))
        return DWORD(-1);
    WaitForSingleObject(process.hProcess, 60000);
    DWORD code = DWORD(-1);
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return code;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::string(argv[1]) == "--in-downloads") return check_loads();
    if (argc == 2 && std::string(argv[1]) == "--limited") return limited_loads();
    if (argc == 3 && std::string(argv[1]) == "--plain") return plain_load(argv[2]);

    const std::string planting = make_folder_in(temp_folder_path(), "kv-planting");
    const std::string downloads = make_folder_in(planting, "downloads");

    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string build_folder = folder_of_module(nullptr);
    std::string setup = downloads + "setup.exe";
    CHECK(CopyFileA(self, setup.c_str(), FALSE));
    std::string planted = build_folder + "kv_planted.dll";
    for (const char* name : kPlantedNames)
        CHECK(CopyFileA(planted.c_str(), (downloads + name).c_str(), FALSE));
    CHECK(CopyFileA(planted.c_str(), (downloads + kOnlyPlanted).c_str(), FALSE));

    // The plant works: the ordinary search takes it (the test runs with native libraries first,
    // as Windows loads them).
    CHECK_EQ(run("\"" + setup + "\" --plain DDRAW.DLL", downloads), DWORD(0));
    CHECK_EQ(run("\"" + setup + "\" --plain " + kOnlyPlanted, downloads), DWORD(0));
    // And the installer's loader does not, nor the ordinary search once it is limited.
    CHECK_EQ(run("\"" + setup + "\" --in-downloads", downloads), DWORD(0));
    CHECK_EQ(run("\"" + setup + "\" --limited", downloads), DWORD(0));

    // The installer in a downloads folder of its own, beside every plant but SHELL32.DLL: Windows
    // never takes that one from the program's folder (it is one of the libraries the system
    // guards), while Wine with native libraries first would, and the installer imports it.
    const std::string own = make_folder_in(planting, "installer");
    const std::string installer = own + "Kavento-Install.exe";
    CHECK(CopyFileA(built_file("Kavento-Install.exe").c_str(), installer.c_str(), FALSE));
    for (const char* name : kPlantedNames)
        if (std::string(name) != "SHELL32.DLL")
            CHECK(CopyFileA(planted.c_str(), (own + name).c_str(), FALSE));
    CHECK(run_installer_until_wizard(installer, own));
    for (const char* name : kPlantedNames) {
        const std::string plant = own + name;
        CHECK_EQ(plant + (exists(plant + ".loaded") ? " loaded" : " left alone"),
                 plant + " left alone");
    }
    return check_report();
}
