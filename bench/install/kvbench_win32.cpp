// kvbench PROGRAM [CLICKS...]: starts PROGRAM and prints two times in milliseconds:
//   start-up  from CreateProcess to its window "Kavento-Install" shown and painted;
//   action    from posting a click on gadget 36 to a message box "Erfolgreich installiert".
// Each CLICK is a gadget number clicked (posted BM_CLICK) before the timed one; "yes" answers a
// question box with Yes. After the message box the program is ended by its process handle.
#include <windows.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {
LARGE_INTEGER g_frequency;

double now_ms() {
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return double(t.QuadPart) * 1000.0 / double(g_frequency.QuadPart);
}

struct Search {
    DWORD pid;
    const char* title;
    const char* class_name; // nullptr: any class
    HWND found;
};

BOOL CALLBACK find_window(HWND window, LPARAM param) {
    Search* s = reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != s->pid || !IsWindowVisible(window)) return TRUE;
    char text[256] = "", cls[64] = "";
    GetWindowTextA(window, text, sizeof text);
    GetClassNameA(window, cls, sizeof cls);
    if (std::strcmp(text, s->title) != 0) return TRUE;
    if (s->class_name && std::strcmp(cls, s->class_name) != 0) return TRUE;
    s->found = window;
    return FALSE;
}

HWND wait_window(DWORD pid, const char* title, const char* class_name, double timeout_ms) {
    double end = now_ms() + timeout_ms;
    while (now_ms() < end) {
        Search s = {pid, title, class_name, nullptr};
        EnumWindows(find_window, reinterpret_cast<LPARAM>(&s));
        if (s.found) return s.found;
        Sleep(1);
    }
    return nullptr;
}

// Painted: no invalid region left and the window's thread back in its message loop.
bool wait_painted(HWND window, double timeout_ms) {
    double end = now_ms() + timeout_ms;
    while (now_ms() < end) {
        DWORD_PTR result;
        if (!GetUpdateRect(window, nullptr, FALSE) &&
            SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_BLOCK, 1000, &result))
            return true;
        Sleep(1);
    }
    return false;
}

void click(HWND window, int gadget) {
    PostMessageA(GetDlgItem(window, gadget), BM_CLICK, 0, 0);
}
} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: kvbench PROGRAM [CLICKS...]\n");
        return 2;
    }
    QueryPerformanceFrequency(&g_frequency);
    std::string command = std::string("\"") + argv[1] + "\"";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    double t0 = now_ms();
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi)) {
        std::printf("error: cannot start %s\n", argv[1]);
        return 1;
    }
    HWND window = wait_window(pi.dwProcessId, "Kavento-Install", nullptr, 30000);
    bool painted = window && wait_painted(window, 30000);
    double startup = now_ms() - t0;
    int rc = 0;
    if (!painted) {
        std::printf("error: no painted window\n");
        rc = 1;
    } else {
        for (int i = 2; i < argc && rc == 0; ++i) {
            if (std::strcmp(argv[i], "yes") == 0) {
                HWND box = nullptr;
                for (int tries = 0; tries < 3000 && !box; ++tries) {
                    Search s = {pi.dwProcessId, "Verzeichnis existiert!", "#32770", nullptr};
                    EnumWindows(find_window, reinterpret_cast<LPARAM>(&s));
                    box = s.found;
                    if (!box) Sleep(1);
                }
                if (box) PostMessageA(box, WM_COMMAND, IDYES, 0);
            } else {
                click(window, std::atoi(argv[i]));
            }
            // Clicks are posted: give each its page change before the next one arrives.
            Sleep(200);
        }
        // The timed click must not wait behind earlier ones: the Install button is showing and
        // the program is idle.
        HWND install = GetDlgItem(window, 36);
        for (int tries = 0; tries < 5000 && !(install && IsWindowVisible(install)); ++tries)
            Sleep(1);
        Sleep(300);
        double t1 = now_ms();
        click(window, 36);
        HWND box = wait_window(pi.dwProcessId, "Erfolgreich installiert", "#32770", 60000);
        double action = now_ms() - t1;
        if (!box) {
            std::printf("error: no success message\n");
            rc = 1;
        } else {
            std::printf("startup_ms %.1f\naction_ms %.1f\n", startup, action);
        }
    }
    TerminateProcess(pi.hProcess, 0);
    WaitForSingleObject(pi.hProcess, 10000);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return rc;
}
