// Running a Linux program from inside Wine, for what only the Linux side can do (ImageMagick's
// picture of the X screen, a link to /dev/full). Shared by the Win32 tests and the test driver.
// Wine starts a Linux program through CreateProcess but gives back no process to wait on, so the
// command's shell reports its end through a marker file, written whole by a rename.
#pragma once
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

// The Linux path of a Windows path (Z:\a\b is /a/b; the file need not exist), or "" outside Wine.
inline std::string unix_path(const std::string& windows_path) {
    typedef char*(CDECL * UnixName)(LPCWSTR);
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    UnixName unix_name = kernel ? reinterpret_cast<UnixName>(reinterpret_cast<void*>(
                                      GetProcAddress(kernel, "wine_get_unix_file_name")))
                                : nullptr;
    wchar_t wide[MAX_PATH];
    if (!unix_name || !MultiByteToWideChar(CP_ACP, 0, windows_path.c_str(), -1, wide, MAX_PATH))
        return "";
    char* name = unix_name(wide);
    if (!name) return "";
    std::string path = name;
    HeapFree(GetProcessHeap(), 0, name);
    return path;
}

struct LinuxRun {
    bool started = false;  // /bin/sh could be started
    bool finished = false; // and the command ended within the time
    int status = -1;       // the command's exit status
    std::string output;    // what it wrote to stdout and stderr
};

// Runs `command` through /bin/sh; it must not hold double quotes (Wine hands the line on inside
// them). The marker and the output are written into `folder` (a Windows path; the temp folder
// when empty) and removed afterwards. while_waiting runs between the polls, for a caller that
// must keep its own windows painted meanwhile.
inline LinuxRun run_linux_command(const std::string& command, DWORD timeout_ms,
                                  std::string folder = "",
                                  const std::function<void()>& while_waiting = nullptr) {
    LinuxRun run;
    char buffer[MAX_PATH] = "";
    if (folder.empty() && GetTempPathA(MAX_PATH, buffer)) folder = buffer;
    if (!GetTempFileNameA(folder.c_str(), "kvl", 0, buffer)) return run;
    const std::string base = buffer, done = base + ".done", out = base + ".out";
    const std::string linux_base = unix_path(base);
    if (!linux_base.empty()) {
        std::string line = "Z:\\bin\\sh -c \"(" + command + ") >'" + linux_base +
                           ".out' 2>&1; echo $? >'" + linux_base + ".tmp'; mv '" + linux_base +
                           ".tmp' '" + linux_base + ".done'\"";
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        run.started = CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr,
                                     nullptr, &startup, &process) != FALSE;
        if (process.hProcess) CloseHandle(process.hProcess);
        if (process.hThread) CloseHandle(process.hThread);
        for (DWORD start = GetTickCount(); run.started && GetTickCount() - start < timeout_ms;) {
            if (GetFileAttributesA(done.c_str()) != INVALID_FILE_ATTRIBUTES) {
                run.finished = true;
                break;
            }
            if (while_waiting) while_waiting();
            Sleep(10);
        }
    }
    if (FILE* f = run.finished ? std::fopen(done.c_str(), "rb") : nullptr) {
        char status[16] = "";
        if (std::fgets(status, sizeof status, f)) run.status = std::atoi(status);
        std::fclose(f);
    }
    if (FILE* f = run.finished ? std::fopen(out.c_str(), "rb") : nullptr) {
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
            run.output.append(buffer, n);
        std::fclose(f);
    }
    DeleteFileA(done.c_str());
    DeleteFileA(out.c_str());
    DeleteFileA(base.c_str());
    return run;
}

// The command that has ImageMagick save the part of the X screen that `window` covers as `png` (a
// Linux path). Without a window manager, Wine's window rectangles are X screen coordinates.
inline std::string screenshot_command(HWND window, const std::string& png) {
    RECT r;
    GetWindowRect(window, &r);
    char geometry[64];
    std::snprintf(geometry, sizeof geometry, "%ldx%ld+%ld+%ld", long(r.right - r.left),
                  long(r.bottom - r.top), long(r.left), long(r.top));
    return "import -window root -crop " + std::string(geometry) + " +repage '" + png + "'";
}
