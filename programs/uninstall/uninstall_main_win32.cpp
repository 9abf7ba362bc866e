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

#include <cstring>
#include <string>
#include "core/single_copy.h"
#include "core/text_rules.h"
#include "engine/copy_origin.h"
#include "engine/install_steps.h"
#include "engine/journal.h"
#include "engine/log_file.h"
#include "engine/product_scope.h"
#include "engine/restart_deletion.h"
#include "engine/uninstall_file_types.h"
#include "engine/uninstall_held.h"
#include "engine/uninstall_plan.h"
#include "engine/uninstall_run.h"
#include "engine/undo.h"
#include "services/system_library.h"
#include "services/system_paths.h"

namespace {

// How long the copy waits for the original before going ahead anyway; the steps it could not
// carry out yet are tried again after kRetryPauseMs and then reported.
constexpr DWORD kOriginalWaitMs = 30000;
constexpr unsigned kRetryPauseMs = 1500;
constexpr int kCopyFolderTries = 100;
// A copy found changed between its writing and its holding is thrown away, and a new one made
// this many times in all.
constexpr int kCopyAttempts = 3;
// How long the original holds the copy's file for the copy to say that it runs.
constexpr DWORD kCopyStartWaitMs = 30000;
// Far above this program's size: a larger file is not this program.
constexpr uint32_t kMaxProgramBytes = 16u << 20;

// Paths from the system by their ANSI or short form (services/system_paths.h), or empty: a temp
// folder "C:\users\Łukasz\Temp" is reached as it is, not as the look-alike "Lukasz".
std::string module_path() {
    std::string path;
    return module_file_path(nullptr, path) && path.size() < MAX_PATH ? path : std::string();
}

std::string folder_without_backslash(const std::string& path) {
    size_t cut = path.rfind('\\');
    return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

std::string temp_folder() {
    std::string folder;
    return system_temp_folder(folder) && folder.size() < MAX_PATH ? folder : std::string();
}

void show(const std::string& text, const char* title, UINT icon) {
    MessageBoxA(nullptr, text.c_str(), title, MB_OK | icon | MB_SETFOREGROUND);
}

// Reads and plans the log of a target folder; tells the user and returns false when there is
// nothing to go on.
bool load_plan(const std::string& target_folder, UninstallPlan& plan) {
    std::string log_path = target_folder + "\\" + kUninstallLogName;
    std::string text;
    // The 95 family cannot replace a file in one step: between the deletion of the old log and
    // the renaming of the new one, the new one is whole under its temporary name.
    if (!read_whole_file(log_path, text) && !read_whole_file(log_path + kLogTempSuffix, text)) {
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

// unusable_temp: the temp folder that could not take the copy, when that is why the work is done
// from the installation folder; null otherwise.
void uninstall_and_report(const UninstallPlan& loaded, const std::string& target_folder,
                          const std::string* unusable_temp = nullptr) {
    // Held from here to the end; inside it, nothing is done through a link.
    std::string installation = stored_path_form(target_folder);
    make_comparable_path(installation);
    hold_installation(installation);
    UninstallPlan plan = loaded;
    refuse_linked_steps(plan);
    std::vector<RegistryReading> readings = file_type_readings();
    read_registry(readings);
    // What this run is to remove, written down before anything goes: a run cut off is finished
    // by the next start of either program, even once this program or the links that showed a
    // start-menu folder to be ours are gone.
    if (journal_begin(UndoAction{kTagRunUninstall, target_folder}))
        for (const UninstallStep& step : plan.steps)
            if (!step.line.empty()) journal_append(split_log_line(step.line));
    UninstallRun run = run_uninstall(plan, file_type_removals(readings, target_folder),
                                     target_folder + "\\" + kUninstallLogName, kRetryPauseMs);
    journal_end();
    // Not while the report waits for the user: the folders above stay shared for reading only.
    release_installation();
    std::string report = uninstall_report_text(
        run.results, plan.skipped_lines, run.repeatable ? target_folder + "\\" + kUninstallExe : "",
        plan.foreign_lines, unusable_temp);
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

bool write_new_file(const std::string& path, const std::string& bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD done = 0;
    bool ok =
        WriteFile(file, bytes.data(), DWORD(bytes.size()), &done, nullptr) && done == bytes.size();
    CloseHandle(file);
    return ok;
}

// Held without sharing deletion, the name can no longer be given to anything else: it names what
// the handle holds.
bool is_plain_folder(const std::string& held_folder) {
    DWORD attributes = GetFileAttributesA(held_folder.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) ==
               FILE_ATTRIBUTE_DIRECTORY;
}

void close_valid(HANDLE& handle) {
    if (handle && handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    handle = nullptr;
}

// The folder held for the copy, handed down to it: with no other program allowed to delete it,
// nobody can rename it or put a link in its place, and the system removes it when its last
// handle closes. A link already standing there is opened as itself and refused. NT family only.
HANDLE hold_copy_folder(const std::string& folder) {
    SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
    HANDLE held = CreateFileA(folder.c_str(), DELETE | FILE_LIST_DIRECTORY,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT |
                                  FILE_FLAG_DELETE_ON_CLOSE,
                              nullptr);
    if (held == INVALID_HANDLE_VALUE) return nullptr;
    if (!is_plain_folder(folder)) close_valid(held);
    return held;
}

enum class CopyStart { kStarted, kChanged, kFailed, kNoTempFolder };

// One attempt: a new folder, the copy written into it, held, compared with this program, started,
// and held on until it says that it runs.
CopyStart start_copy_once(const std::string& own, const std::string& temp,
                          const std::string& target_folder) {
    std::string folder = make_copy_folder(temp);
    if (folder.empty()) return CopyStart::kNoTempFolder;
    // The 95 family knows neither links nor anyone else's rights, and opens no folders.
    const bool nt_family = !ansi_system();
    HANDLE folder_hold = nt_family ? hold_copy_folder(folder) : nullptr;
    if (!folder_hold && nt_family) {
        RemoveDirectoryA(folder.c_str());
        return CopyStart::kFailed;
    }
    std::string copy = folder + "\\" + kCopyName;
    if (!write_new_file(copy, own)) {
        if (!folder_hold) RemoveDirectoryA(folder.c_str());
        close_valid(folder_hold);
        return CopyStart::kFailed;
    }
    // Read access only: starting the copy opens its file for reading, and fails while any handle
    // may write to it. Sharing nothing but reading keeps every other program from writing,
    // renaming or deleting it from now on; what it did before this is found by the comparison (a
    // link put in its place is opened as itself, and reads as no program).
    HANDLE copy_hold =
        CreateFileA(copy.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                    nt_family ? FILE_FLAG_OPEN_REPARSE_POINT : 0, nullptr);
    std::string held_bytes;
    bool same = copy_hold != INVALID_HANDLE_VALUE &&
                read_open_file(copy_hold, held_bytes, kMaxProgramBytes) && held_bytes == own;

    HANDLE self_handle = nullptr;
    HANDLE started = nullptr;
    PROCESS_INFORMATION process = {};
    bool running = false;
    SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
    // Without the event the hold could not last until the copy runs: no copy is started then.
    if (same && (started = CreateEventA(&inherited, TRUE, FALSE, nullptr)) != nullptr) {
        if (!DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(),
                             &self_handle, copy_origin_access(), TRUE, 0))
            self_handle = nullptr;
        CopyHandles handed{reinterpret_cast<uintptr_t>(self_handle),
                           reinterpret_cast<uintptr_t>(started),
                           reinterpret_cast<uintptr_t>(folder_hold)};
        std::string command = copy_command_line(copy, target_folder, handed);
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        // The copy starts in the temp folder: a process's current folder cannot be removed.
        running = CreateProcessA(copy.c_str(), &command[0], nullptr, nullptr, TRUE, 0, nullptr,
                                 temp.c_str(), &startup, &process) != 0;
    }
    if (running) {
        // The system may open the file again while the copy starts (Wine does, by name): the
        // hold lasts until the copy has said so, or has ended.
        HANDLE waits[2] = {process.hProcess, started};
        WaitForMultipleObjects(2, waits, FALSE, kCopyStartWaitMs);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    close_valid(copy_hold);
    close_valid(started);
    close_valid(self_handle);
    if (!running) {
        DeleteFileA(copy.c_str());
        if (!folder_hold) RemoveDirectoryA(folder.c_str());
    }
    // The copy holds the folder through its own handle now; without the copy, this last handle
    // removes the emptied folder.
    close_valid(folder_hold);
    if (running) return CopyStart::kStarted;
    return same ? CopyStart::kFailed : CopyStart::kChanged;
}

// Copies this program into a new folder in the temp folder and starts the copy; anything but
// kStarted leaves nothing behind.
CopyStart start_temp_copy(const std::string& self, const std::string& temp,
                          const std::string& target_folder) {
    std::string own;
    if (temp.empty()) return CopyStart::kNoTempFolder;
    // This program's own file, which the system keeps from being written while it runs.
    if (!read_whole_file(self, own)) return CopyStart::kFailed;
    CopyStart started = CopyStart::kChanged;
    for (int attempt = 0; attempt < kCopyAttempts && started == CopyStart::kChanged; ++attempt)
        started = start_copy_once(own, temp, target_folder);
    return started;
}

void run_original() {
    std::string self = module_path();
    // An interrupted run is dealt with first; an installer that runs now owns its journal.
    if (!installer_running() && recover_interrupted_run() == RecoveryKind::kFinishUninstall &&
        GetFileAttributesA((folder_without_backslash(self) + "\\" + kUninstallLogName).c_str()) ==
            INVALID_FILE_ATTRIBUTES)
        return;
    // Started by its short name, or from a folder that the code page cannot spell, it still
    // compares with the paths of the log.
    std::string comparable = self;
    make_comparable_path(comparable);
    std::string target_folder = folder_without_backslash(comparable);
    UninstallPlan plan;
    if (target_folder.empty() || !load_plan(target_folder, plan)) return;
    if (MessageBoxA(nullptr, kUninstallQuestion, kUninstallTitle,
                    MB_YESNO | MB_ICONQUESTION | MB_SETFOREGROUND) != IDYES)
        return;
    // A drive root is no folder the copy could be handed (nor one to remove), and a copy that
    // could not tell who started it would refuse its command line: work from here then.
    const std::string temp = temp_folder();
    CopyStart started = CopyStart::kFailed;
    if (is_removable_file_path(target_folder) && can_tell_copy_origin())
        started = start_temp_copy(self, temp, target_folder);
    if (started == CopyStart::kStarted) return;
    // Without a copy the work is done from here; this file and its folder stay and are reported,
    // with the temp folder as the reason where that was it: every later run would meet it too.
    uninstall_and_report(plan, target_folder,
                         started == CopyStart::kNoTempFolder ? &temp : nullptr);
}

// The copy's way out. A running program may be renamed but not deleted: moved out of its folder
// into the temp folder, beside it, it leaves the folder empty, and the handed-down handle removes
// the folder as it closes. So the deletion at the next restart names only this file, and nothing
// that another program could point at anything else by then.
void leave_copy(const std::string& self, HANDLE folder_hold) {
    const std::string folder = folder_without_backslash(self);
    const std::string moved = folder + ".exe";
    const std::string temp = temp_folder();
    if (folder_hold && is_copy_folder(folder, temp) && MoveFileA(self.c_str(), moved.c_str())) {
        delete_copy_at_restart(moved, false, folder, temp);
    } else if (delete_copy_at_restart(self, false, folder, temp)) {
        // The folder keeps the copy, so the handle cannot remove it: it goes after the copy.
        delete_copy_at_restart(folder, true, folder, temp);
    }
    close_valid(folder_hold);
}

// Any program can start this one with the copy's command line, and the copy asks nothing: it is
// obeyed only from the original of that folder that started it, with the event that original
// waits for. Only an event can be set, so setting it shows what kind of handle it is.
bool accept_copy_command(const std::string& target_folder, const CopyHandles& handles) {
    if (!is_trusted_copy_command(copy_origin(handles, target_folder), target_folder)) return false;
    HANDLE started = reinterpret_cast<HANDLE>(handles.started);
    if (!started || !SetEvent(started)) return false;
    CloseHandle(started);
    return true;
}

void run_copy(const std::string& target_folder, const CopyHandles& handles) {
    std::string self = module_path();
    // At once, not at the end: a copy that is cut off must not stay in the temp folder for good.
    // The way out below schedules what it then leaves.
    const std::string folder = folder_without_backslash(self);
    const std::string temp = temp_folder();
    delete_copy_at_restart(self, false, folder, temp);
    delete_copy_at_restart(folder, true, folder, temp);
    if (handles.original) {
        HANDLE original = reinterpret_cast<HANDLE>(handles.original);
        WaitForSingleObject(original, kOriginalWaitMs);
        CloseHandle(original);
    }
    UninstallPlan plan;
    if (load_plan(target_folder, plan)) uninstall_and_report(plan, target_folder);
    // On the NT family this needs administrator rights, which removing a Program Files
    // installation needed anyway; the temp folder's own clean-up catches the copy otherwise.
    leave_copy(self, reinterpret_cast<HANDLE>(handles.folder));
}

} // namespace

#ifdef KV_TEST_SEAMS
// Test builds only: "kv-stop-at=NAME" ends this program, or its copy, at once where it passes
// the point NAME. The copy's command line is fixed, so the name reaches it in the environment.
void stop_if_asked(const char* point) {
    char wanted[64] = "";
    GetEnvironmentVariableA("KV_STOP_AT", wanted, sizeof wanted);
    if (std::strcmp(wanted, point) == 0) TerminateProcess(GetCurrentProcess(), kStopExitCode);
}
void arm_stop_seam() {
    const char* found = std::strstr(GetCommandLineA(), "kv-stop-at=");
    if (found) {
        found += std::strlen("kv-stop-at=");
        SetEnvironmentVariableA("KV_STOP_AT", std::string(found, std::strcspn(found, " ")).c_str());
    }
    stop_hook = stop_if_asked;
}
#endif

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
#ifdef KV_TEST_SEAMS
    arm_stop_seam();
#endif
    // The copy runs from a folder of the temp folder, where any program may put a file named like
    // a library that the system would otherwise look for there first.
    limit_library_search();
    std::string target_folder;
    CopyHandles handles;
    if (parse_copy_command_line(GetCommandLineA(), target_folder, handles) &&
        accept_copy_command(target_folder, handles))
        run_copy(target_folder, handles);
    else
        run_original();
    return 0;
}
