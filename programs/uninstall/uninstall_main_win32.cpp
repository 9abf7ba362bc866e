// Uninstall.exe: undoes an installation from the Uninstall.txt beside it.
//
// Started from the target folder, it asks, then copies itself into a new folder of its own in the
// temp folder, starts the copy with the target folder and a handle to itself, and ends: a running
// program cannot delete its own file, nor the folder that holds it. The temp folder is open to
// every program of the user, so the copy is held from its writing until it runs, and checked to
// be this program. The copy waits for the original to end, carries out the log and removes the
// document types, reports, and leaves: its folder goes when the last handle to it closes, its file
// at the next restart. Only lines that name the product's own are carried out
// (engine/product_scope.h). When something cannot be removed, Uninstall.exe and the lines of
// Uninstall.txt still to do stay for another run.
#include <windows.h>

#include <string>
#include "core/text_rules.h"
#include "engine/install_steps.h"
#include "engine/product_scope.h"
#include "engine/restart_deletion.h"
#include "engine/uninstall_file_types.h"
#include "engine/uninstall_plan.h"
#include "engine/uninstall_run.h"
#include "engine/undo.h"
#include "services/system_library.h"

namespace {

// How long the copy waits for the original before going ahead anyway; the steps it could not
// carry out yet are tried again after kRetryPauseMs and then reported.
constexpr DWORD kOriginalWaitMs = 30000;
constexpr unsigned kRetryPauseMs = 1500;
constexpr int kCopyFolderTries = 100;

std::string module_path() {
    char buffer[MAX_PATH + 1];
    DWORD n = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
    return n == 0 || n >= MAX_PATH ? std::string() : std::string(buffer, n);
}

std::string folder_without_backslash(const std::string& path) {
    size_t cut = path.rfind('\\');
    return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

std::string temp_folder() {
    char buffer[MAX_PATH + 1];
    DWORD n = GetTempPathA(MAX_PATH, buffer);
    if (n == 0 || n >= MAX_PATH) return std::string();
    std::string folder(buffer, n);
    if (folder.back() != '\\') folder += '\\';
    return folder;
}

void show(const std::string& text, const char* title, UINT icon) {
    MessageBoxA(nullptr, text.c_str(), title, MB_OK | icon | MB_SETFOREGROUND);
}

// The long form of a path that may have been started by its short name, so that it compares
// with the paths in the log. GetLongPathNameA is missing before Windows 98 and 2000.
std::string long_path(const std::string& path) {
    using GetLongPathNameFn = DWORD(WINAPI*)(const char*, char*, DWORD);
    auto get_long_path_name =
        optional_function<GetLongPathNameFn>(GetModuleHandleA("kernel32.dll"), "GetLongPathNameA");
    char buffer[MAX_PATH + 1];
    DWORD n = get_long_path_name ? get_long_path_name(path.c_str(), buffer, MAX_PATH) : 0;
    return n == 0 || n >= MAX_PATH ? path : std::string(buffer, n);
}

// Reads and plans the log of a target folder; tells the user and returns false when there is
// nothing to go on.
bool load_plan(const std::string& target_folder, UninstallPlan& plan) {
    std::string log_path = target_folder + "\\" + kUninstallLogName;
    std::string text;
    if (!read_uninstall_log(log_path, text)) {
        show(uninstall_log_missing_text(log_path), kUninstallErrorTitle, MB_ICONERROR);
        return false;
    }
    const ProductPlaces places = product_places(target_folder);
    plan = plan_uninstall(text, places);
    refuse_foreign_links(plan, places);
    if (plan.steps.empty()) {
        show(uninstall_log_empty_text(log_path), kUninstallErrorTitle, MB_ICONERROR);
        return false;
    }
    return true;
}

void uninstall_and_report(const UninstallPlan& plan, const std::string& target_folder) {
    std::vector<RegistryReading> readings = file_type_readings();
    read_registry(readings);
    UninstallRun run = run_uninstall(plan, file_type_removals(readings, target_folder),
                                     target_folder + "\\" + kUninstallLogName, kRetryPauseMs);
    std::string report = uninstall_report_text(
        run.results, plan.skipped_lines, run.repeatable ? target_folder + "\\" + kUninstallExe : "",
        plan.foreign_lines);
    show(report, kUninstallTitle,
         report == kUninstallSuccess ? MB_ICONINFORMATION : MB_ICONWARNING);
}

// Random bits for the copy's folder name: the system's generator where there is one (Windows XP
// on), else what differs from run to run, mixed. The name only has to be unforeseeable; that
// nobody else holds the folder is settled by creating it.
uint32_t random_word(uint32_t salt) {
    using RtlGenRandomFn = BOOLEAN(WINAPI*)(void*, ULONG);
    auto gen_random =
        optional_function<RtlGenRandomFn>(GetModuleHandleA("advapi32.dll"), "SystemFunction036");
    uint32_t word = 0;
    if (gen_random && gen_random(&word, sizeof word)) return word;
    LARGE_INTEGER counter = {};
    QueryPerformanceCounter(&counter);
    uint64_t x = (uint64_t(counter.HighPart) << 32 | counter.LowPart) ^
                 (uint64_t(GetTickCount()) << 20) ^ (uint64_t(GetCurrentProcessId()) << 40) ^
                 GetCurrentThreadId() ^ (uint64_t(salt) << 8) ^
                 reinterpret_cast<uintptr_t>(&counter);
    // A multiply-xorshift finaliser spreads every input bit over the whole word.
    x ^= x >> 33;
    x *= 0xff51afd7ed558ccdull;
    x ^= x >> 33;
    x *= 0xc4ceb9fe1a85ec53ull;
    x ^= x >> 33;
    return static_cast<uint32_t>(x);
}

// Makes a new folder of our own in the temp folder; empty when none can be made.
std::string make_copy_folder(const std::string& temp) {
    for (int n = 0; n < kCopyFolderTries; ++n) {
        std::string folder = temp + copy_folder_name(random_word(2 * n), random_word(2 * n + 1));
        if (CreateDirectoryA(folder.c_str(), nullptr)) return folder;
        if (GetLastError() != ERROR_ALREADY_EXISTS && GetLastError() != ERROR_FILE_EXISTS) break;
    }
    return std::string();
}

// Copies this program into a new folder in the temp folder and starts the copy; false when any
// of it fails, and then nothing is left behind.
bool start_temp_copy(const std::string& self, const std::string& target_folder) {
    std::string temp = temp_folder();
    if (temp.empty()) return false;
    std::string folder = make_copy_folder(temp);
    if (folder.empty()) return false;
    std::string copy = folder + "\\" + kCopyName;
    if (!CopyFileA(self.c_str(), copy.c_str(), TRUE)) {
        RemoveDirectoryA(folder.c_str());
        return false;
    }

    HANDLE self_handle = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(),
                         &self_handle, SYNCHRONIZE, TRUE, 0))
        self_handle = nullptr;
    std::string command =
        copy_command_line(copy, target_folder, reinterpret_cast<uintptr_t>(self_handle));
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    // The copy starts in the temp folder: a process's current folder cannot be removed.
    BOOL started = CreateProcessA(copy.c_str(), &command[0], nullptr, nullptr, TRUE, 0, nullptr,
                                  temp.c_str(), &startup, &process);
    if (self_handle) CloseHandle(self_handle);
    if (!started) {
        DeleteFileA(copy.c_str());
        RemoveDirectoryA(folder.c_str());
        return false;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

void run_original() {
    std::string self = module_path();
    std::string target_folder = folder_without_backslash(long_path(self));
    UninstallPlan plan;
    if (target_folder.empty() || !load_plan(target_folder, plan)) return;
    if (MessageBoxA(nullptr, kUninstallQuestion, kUninstallTitle,
                    MB_YESNO | MB_ICONQUESTION | MB_SETFOREGROUND) != IDYES)
        return;
    // A drive root is no folder the copy could be handed (nor one to remove): work from here.
    if (is_removable_file_path(target_folder) && start_temp_copy(self, target_folder)) return;
    // Without a copy the work is done from here; this file and its folder stay and are reported.
    uninstall_and_report(plan, target_folder);
}

void run_copy(const std::string& target_folder, HANDLE original) {
    std::string self = module_path();
    SetCurrentDirectoryA(folder_without_backslash(self).c_str());
    if (original) {
        WaitForSingleObject(original, kOriginalWaitMs);
        CloseHandle(original);
    }
    UninstallPlan plan;
    if (load_plan(target_folder, plan)) uninstall_and_report(plan, target_folder);
    // On the NT family this needs administrator rights, which removing a Program Files
    // installation needed anyway; the temp folder's own clean-up catches the copy otherwise. The
    // folder is only ever ours when its name says so: a copy started from anywhere else leaves
    // its folder alone.
    delete_at_restart(self, false);
    std::string folder = folder_without_backslash(self);
    if (is_copy_folder(folder, temp_folder())) delete_at_restart(folder, true);
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    std::string target_folder;
    uintptr_t original = 0;
    if (parse_copy_command_line(GetCommandLineA(), target_folder, original))
        run_copy(target_folder, reinterpret_cast<HANDLE>(original));
    else
        run_original();
    return 0;
}
