// Uninstall.exe: undoes an installation from the Uninstall.txt beside it.
//
// Started from the target folder, it asks, then copies itself to the temp folder, starts the copy
// with the target folder and a handle to itself, and ends: a running program cannot delete its
// own file, nor the folder that holds it. The copy waits for the original to end, carries out the
// log, reports, and has its own file deleted at the next restart.
#include <windows.h>

#include <string>
#include "engine/uninstall_plan.h"
#include "engine/uninstall_run.h"
#include "engine/undo.h"
#include "services/system_library.h"

namespace {

// How long the copy waits for the original before going ahead anyway; the steps it could not
// carry out yet are tried again after kRetryPauseMs and then reported.
constexpr DWORD kOriginalWaitMs = 30000;
constexpr unsigned kRetryPauseMs = 1500;
constexpr int kCopyNameTries = 100;

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

// Reads and plans the log of a target folder; tells the user and returns false when there is
// nothing to go on.
bool load_plan(const std::string& target_folder, UninstallPlan& plan) {
    std::string log_path = target_folder + "\\" + kUninstallLogName;
    std::string text;
    if (!read_uninstall_log(log_path, text)) {
        show(uninstall_log_missing_text(log_path), kUninstallErrorTitle, MB_ICONERROR);
        return false;
    }
    plan = plan_uninstall(text);
    if (plan.steps.empty()) {
        show(uninstall_log_missing_text(log_path), kUninstallErrorTitle, MB_ICONERROR);
        return false;
    }
    return true;
}

void uninstall_and_report(const UninstallPlan& plan) {
    std::vector<StepResult> results = perform_uninstall(plan, kRetryPauseMs);
    std::string report = uninstall_report_text(results, plan.skipped_lines);
    show(report, kUninstallTitle,
         report == kUninstallSuccess ? MB_ICONINFORMATION : MB_ICONWARNING);
}

// Copies this program to the temp folder and starts the copy; false when any of it fails, and
// then nothing is left behind.
bool start_temp_copy(const std::string& self, const std::string& target_folder) {
    std::string temp = temp_folder();
    if (temp.empty()) return false;
    std::string copy;
    for (int n = 0; n < kCopyNameTries && copy.empty(); ++n) {
        // A copy of an earlier run may still wait for its deletion at the next restart.
        std::string name = temp + "Kavento-Deinstallation" + (n ? std::to_string(n) : "") + ".exe";
        if (CopyFileA(self.c_str(), name.c_str(), TRUE))
            copy = name;
        else if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS)
            return false;
    }
    if (copy.empty()) return false;

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
        return false;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

void run_original() {
    std::string self = module_path();
    std::string target_folder = folder_without_backslash(self);
    UninstallPlan plan;
    if (target_folder.empty() || !load_plan(target_folder, plan)) return;
    if (MessageBoxA(nullptr, kUninstallQuestion, kUninstallTitle,
                    MB_YESNO | MB_ICONQUESTION | MB_SETFOREGROUND) != IDYES)
        return;
    // A drive root is no folder the copy could be handed (nor one to remove): work from here.
    if (is_removable_file_path(target_folder) && start_temp_copy(self, target_folder)) return;
    // Without a copy the work is done from here; this file and its folder stay and are reported.
    uninstall_and_report(plan);
}

void run_copy(const std::string& target_folder, HANDLE original) {
    std::string self = module_path();
    SetCurrentDirectoryA(folder_without_backslash(self).c_str());
    if (original) {
        WaitForSingleObject(original, kOriginalWaitMs);
        CloseHandle(original);
    }
    UninstallPlan plan;
    if (load_plan(target_folder, plan)) uninstall_and_report(plan);
    // Needs administrator rights, which removing a Program Files installation needed anyway; the
    // temp folder's own clean-up catches the file otherwise. Windows 95, 98 and ME have no
    // deletion at restart through this call: there the file stays as well.
    using MoveFileExFn = BOOL(WINAPI*)(LPCSTR, LPCSTR, DWORD);
    auto move_file_ex = reinterpret_cast<MoveFileExFn>(reinterpret_cast<void*>(
        optional_procedure(GetModuleHandleA("KERNEL32.DLL"), "MoveFileExA")));
    if (move_file_ex) move_file_ex(self.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
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
