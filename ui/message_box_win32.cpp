// The system message box with the installer's owner rule and the disabling of the program's
// other top-level windows while it is open (shared with the folder chooser).
#include <windows.h>
#include <vector>
#include "ui/dialogs.h"

namespace {

struct DisabledWindow {
    HWND window;
    DWORD thread;
};

// Empty outside a dialog. A dialog opened from inside another one (a window procedure running
// in the first dialog's loop) adds its windows here and enables only its own again: the marks
// record where each dialog's part of the list begins.
std::vector<DisabledWindow> disabled_windows;
std::vector<size_t> dialog_marks;

BOOL CALLBACK disable_if_ours(HWND window, LPARAM thread) {
    if (GetWindowThreadProcessId(window, nullptr) == DWORD(thread) && IsWindowVisible(window) &&
        IsWindowEnabled(window)) {
        EnableWindow(window, FALSE);
        disabled_windows.push_back({window, DWORD(thread)});
    }
    return TRUE;
}

} // namespace

void* dialog_owner() {
    HWND foreground = GetForegroundWindow();
    if (!foreground) return nullptr;
    DWORD process = 0;
    GetWindowThreadProcessId(foreground, &process);
    return process == GetCurrentProcessId() ? foreground : nullptr;
}

void disable_thread_windows() {
    dialog_marks.push_back(disabled_windows.size());
    EnumWindows(disable_if_ours, LPARAM(GetCurrentThreadId()));
}

void enable_thread_windows() {
    size_t begin = 0;
    if (!dialog_marks.empty()) {
        begin = dialog_marks.back();
        dialog_marks.pop_back();
    }
    if (begin > disabled_windows.size()) begin = disabled_windows.size();
    DWORD thread = GetCurrentThreadId();
    // Newest first, and only this thread's: another thread's record is not ours to replay.
    for (size_t i = disabled_windows.size(); i > begin; --i) {
        const DisabledWindow& entry = disabled_windows[i - 1];
        if (entry.thread != thread) continue;
        // A window destroyed while the dialog was open is skipped; its handle may be reused.
        if (IsWindow(entry.window)) EnableWindow(entry.window, TRUE);
        disabled_windows.erase(disabled_windows.begin() + std::ptrdiff_t(i - 1));
    }
}

int message_box(const std::string& title, const std::string& text, int buttons) {
    disable_thread_windows();
    // The owner is looked for after the disabling: the foreground window stays the foreground
    // window when it is disabled, so the box still sits above the wizard.
    HWND owner = HWND(dialog_owner());
    int answer = MessageBoxA(owner, text.c_str(), title.c_str(), UINT(buttons));
    enable_thread_windows();
    // The box closed while its owner was still disabled, so the system handed activation to
    // some other program; give it back to the window the user was working in.
    if (owner && IsWindow(owner) &&
        GetWindowThreadProcessId(owner, nullptr) == GetCurrentThreadId())
        SetActiveWindow(owner);
    return answer;
}
