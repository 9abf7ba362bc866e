#include "core/single_copy.h"
#include <windows.h>
#include "log/product.h"
#include "ui/dialogs.h"

namespace {

// Held for the whole run.
constexpr const char* kRunningMutexName = "Kavento-Install.Running";
HANDLE running_mutex = nullptr;

} // namespace

void leave_if_already_running() {
    running_mutex = CreateMutexA(nullptr, FALSE, kRunningMutexName);
    if (!running_mutex || GetLastError() != ERROR_ALREADY_EXISTS) return;
    HWND other = FindWindowA(nullptr, kInstallerName);
    if (other && IsWindowVisible(other)) {
        if (IsIconic(other)) ShowWindow(other, SW_RESTORE);
        SetForegroundWindow(GetLastActivePopup(other));
    } else {
        // No window to bring forward: the other copy is still starting, or any program of the
        // user has taken the name. Either way the user clicked and must hear why nothing opens.
        message_box(kInstallerName, kAlreadyRunningText, kButtonsOk);
    }
    CloseHandle(running_mutex);
    ExitProcess(0);
}

void release_running_mark() {
    if (running_mutex) CloseHandle(running_mutex);
    running_mutex = nullptr;
}

bool installer_running() {
    // Only asks: a mark made here would be gone again before any installer could see it.
    HANDLE probe = CreateMutexA(nullptr, FALSE, kRunningMutexName);
    const bool running = probe && GetLastError() == ERROR_ALREADY_EXISTS;
    if (probe) CloseHandle(probe);
    return running;
}
