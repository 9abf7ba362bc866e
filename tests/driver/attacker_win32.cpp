// kvattacker: an ordinary program of the same user, run beside the program under test in the same
// prefix. Only a Win32 process is bound by the sharing rules that our programs rely on; a Linux
// process renames over any file at any time and would prove nothing.
//
//   kvattacker.exe link FOLDER POINTS_TO STOP_EVENT
// renames FOLDER away whenever no open handle denies it and puts a link to POINTS_TO in its place
// (the exit code is again the number of tries at a FOLDER that existed).
//
//   kvattacker.exe mutex NAME STOP_EVENT
// creates the mutex NAME and holds it until the event is set (exit code 1).
//
//   kvattacker.exe replace STAGED TARGET STOP_EVENT
// replaces TARGET by a copy of STAGED whenever TARGET exists and no open handle denies it, until
// the event whose handle value is STOP_EVENT (inherited from the driver) is set. The exit code is
// the number of tries at a TARGET that existed, so that a scenario can tell an attack that was
// fended off from one that never found its target; the replacements are printed. One folder
// component of TARGET may hold a '*': every folder that matches it is attacked (the uninstaller's
// copy lives in a folder of random name).
//
// Started in any other way (that is, as the file it replaced something with), it only leaves a
// mark: the line of C:\kvattacker-ran.txt names the command line it was run with.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "win32/test_linux.h"

namespace {

const char* const kRanMark = "C:\\kvattacker-ran.txt";
const char* const kReadySuffix = ".kvattacker";

// The paths that TARGET names now: itself, or one per folder that matches its wildcard component.
std::vector<std::string> expand_target(const std::string& target) {
    size_t star = target.find('*');
    if (star == std::string::npos) return {target};
    size_t component_end = target.find('\\', star);
    if (component_end == std::string::npos) return {}; // only folders may be wildcards
    size_t parent_end = target.rfind('\\', star);
    std::string parent = target.substr(0, parent_end + 1);
    std::string rest = target.substr(component_end);
    std::vector<std::string> paths;
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA(target.substr(0, component_end).c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return paths;
    do {
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            paths.push_back(parent + entry.cFileName + rest);
    } while (FindNextFileA(find, &entry));
    FindClose(find);
    return paths;
}

// Staged beside the target, so that the replacement is one rename on the same volume: the moment
// the target's sharing allows it, nothing has to be copied first.
enum class Try { kNoTarget, kRefused, kReplaced };

Try replace_once(const std::string& staged, const std::string& target) {
    if (GetFileAttributesA(target.c_str()) == INVALID_FILE_ATTRIBUTES) return Try::kNoTarget;
    const std::string ready = target + kReadySuffix;
    if (GetFileAttributesA(ready.c_str()) == INVALID_FILE_ATTRIBUTES &&
        !CopyFileA(staged.c_str(), ready.c_str(), FALSE))
        return Try::kRefused;
    return MoveFileExA(ready.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING) ? Try::kReplaced
                                                                                 : Try::kRefused;
}

int attack(const std::string& staged, const std::string& target, HANDLE stop) {
    int tries = 0, replaced = 0;
    std::vector<std::string> seen;
    while (WaitForSingleObject(stop, 0) == WAIT_TIMEOUT) {
        for (const std::string& path : expand_target(target)) {
            const Try outcome = replace_once(staged, path);
            tries += outcome != Try::kNoTarget;
            replaced += outcome == Try::kReplaced;
            bool known = false;
            for (const std::string& s : seen)
                known |= s == path;
            if (!known) seen.push_back(path);
        }
        // Yields the core without giving up more than a scheduler tick between tries.
        Sleep(0);
    }
    for (const std::string& path : seen)
        DeleteFileA((path + kReadySuffix).c_str());
    std::printf("     kvattacker: %d tries at an existing target, %d replacements\n", tries,
                replaced);
    std::fflush(stdout);
    return tries;
}

void leave_mark() {
    HANDLE mark = CreateFileA(kRanMark, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (mark == INVALID_HANDLE_VALUE) return;
    std::string line = std::string(GetCommandLineA()) + "\r\n";
    DWORD written = 0;
    WriteFile(mark, line.data(), DWORD(line.size()), &written, nullptr);
    CloseHandle(mark);
}

} // namespace

// Renames FOLDER away the moment its sharing lets it and puts a link to POINTS_TO where it stood:
// a user's junction, which needs no rights but a free name. Only the rename is bound by the
// sharing rules; the link is made from the Linux side (no Win32 program can make one under Wine),
// as soon as the rename freed the name. One swap, then it only counts its tries.
int swap_for_link(const std::string& folder, const std::string& points_to, HANDLE stop) {
    const std::string moved = folder + kReadySuffix;
    int tries = 0, swapped = 0;
    while (WaitForSingleObject(stop, 0) == WAIT_TIMEOUT) {
        const DWORD attributes = GetFileAttributesA(folder.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
            ++tries;
            if (MoveFileA(folder.c_str(), moved.c_str())) {
                const LinuxRun run = run_linux_command(
                    "ln -s '" + unix_path(points_to) + "' '" + unix_path(folder) + "'", 10000);
                swapped += run.finished && run.status == 0;
            }
        }
        Sleep(0);
    }
    std::printf("     kvattacker: %d tries at an existing folder, %d swapped for a link\n", tries,
                swapped);
    std::fflush(stdout);
    return tries;
}

// Takes a named mutex before the program under test can, and keeps it until stopped; one try.
int squat(const char* name, HANDLE stop) {
    HANDLE mutex = CreateMutexA(nullptr, FALSE, name);
    if (!mutex) return 0;
    WaitForSingleObject(stop, INFINITE);
    CloseHandle(mutex);
    return 1;
}

int main(int argc, char** argv) {
    if (argc == 5 && std::strcmp(argv[1], "replace") == 0) {
        HANDLE stop = reinterpret_cast<HANDLE>(std::strtoul(argv[4], nullptr, 10));
        return attack(argv[2], argv[3], stop);
    }
    if (argc == 5 && std::strcmp(argv[1], "link") == 0)
        return swap_for_link(argv[2], argv[3],
                             reinterpret_cast<HANDLE>(std::strtoul(argv[4], nullptr, 10)));
    if (argc == 4 && std::strcmp(argv[1], "mutex") == 0)
        return squat(argv[2], reinterpret_cast<HANDLE>(std::strtoul(argv[3], nullptr, 10)));
    leave_mark();
    return 0;
}
