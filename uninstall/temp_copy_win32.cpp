#include "uninstall/temp_copy.h"

#include <windows.h>
#include "services/system_library.h"
#include "services/system_paths.h"
#include "services/text_rules.h"
#include "services/whole_files.h"
#include "uninstall/copy_origin.h"
#include "uninstall/restart_deletion.h"

namespace {

constexpr int kCopyFolderTries = 100;
// A copy found changed between its writing and its holding is thrown away, and a new one made
// this many times in all.
constexpr int kCopyAttempts = 3;
// How long the original holds the copy's file for the copy to say that it runs.
constexpr DWORD kCopyStartWaitMs = 30000;
// Far above this program's size: a larger file is not this program.
constexpr uint32_t kMaxProgramBytes = 16u << 20;

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

} // namespace

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

void leave_copy(const std::string& self, const std::string& temp, HANDLE folder_hold) {
    const std::string folder = without_trailing_backslash(folder_of(self));
    const std::string moved = folder + ".exe";
    if (folder_hold && is_copy_folder(folder, temp) && MoveFileA(self.c_str(), moved.c_str())) {
        delete_copy_at_restart(moved, false, folder, temp);
    } else if (delete_copy_at_restart(self, false, folder, temp)) {
        // The folder keeps the copy, so the handle cannot remove it: it goes after the copy.
        delete_copy_at_restart(folder, true, folder, temp);
    }
    close_valid(folder_hold);
}

bool accept_copy_command(const std::string& target_folder, const CopyHandles& handles) {
    if (!is_trusted_copy_command(copy_origin(handles, target_folder), target_folder)) return false;
    HANDLE started = reinterpret_cast<HANDLE>(handles.started);
    if (!started || !SetEvent(started)) return false;
    CloseHandle(started);
    return true;
}
