#include <windows.h>
#include <shlobj.h>
#include "core/page_loop.h"
#include "core/session.h"
#include "core/startup.h"
#include "core/text_rules.h"
#include "env/registry.h"
#include "env/system_check.h"
#include "services/dir_examine.h"
#include "services/file_services.h"
#include "services/system_library.h"
#include "ui/artwork.h"
#include "ui/dialogs.h"
#include "ui/toolkit.h"
#include "ui/wizard_window.h"

namespace {

constexpr DWORD kModulePathLimit = 500;
// Held for the whole run: a second copy must not unpack into the same temp pack file beside us.
constexpr const char* kRunningMutexName = "Kavento-Install.Running";
HANDLE running_mutex = nullptr;

// When another copy is already running: show its window (if it has one yet) and leave at once,
// before anything of this run is set up or touched.
void leave_if_already_running() {
    running_mutex = CreateMutexA(nullptr, FALSE, kRunningMutexName);
    if (!running_mutex || GetLastError() != ERROR_ALREADY_EXISTS) return;
    HWND other = FindWindowA(nullptr, kInstallerName);
    if (other) {
        if (IsIconic(other)) ShowWindow(other, SW_RESTORE);
        SetForegroundWindow(GetLastActivePopup(other));
    }
    CloseHandle(running_mutex);
    ExitProcess(0);
}

std::string installer_folder_of_module(HMODULE module) {
    char path[kModulePathLimit + 1] = {};
    DWORD length = GetModuleFileNameA(module, path, kModulePathLimit);
    if (length == 0 || length >= kModulePathLimit) return std::string();
    return folder_of(std::string(path, length));
}

[[noreturn]] void stop_with_message(const std::string& title, const std::string& text) {
    message_box(title, text, kButtonsOk);
    shutdown_and_exit();
}

} // namespace

std::string special_folder_path(int csidl) {
    LPITEMIDLIST items = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &items)) || !items) return std::string();
    char path[MAX_PATH] = {};
    BOOL found = SHGetPathFromIDListA(items, path);
    CoTaskMemFree(items);
    if (!found) return std::string();
    std::string text = trim_blanks(path);
    while (ends_with_backslash(text))
        text.pop_back();
    return text;
}

void reset_session(void* module_handle) {
    session = InstallerSession{};
    session.module_handle = module_handle;
    session.installer_folder = installer_folder_of_module(static_cast<HMODULE>(module_handle));
    session.installer_name = kInstallerName;
    session.version_text = kVersionText;
    session.version_number = kVersionNumber;
    session.start_menu_folder = kProductFolderName;
    session.make_start_menu_links = 1;
    session.make_desktop_link_producer = 1;
    session.make_desktop_link_player = 0;
}

void propose_target_folder() {
    session.program_files_folder = special_folder_path(CSIDL_PROGRAM_FILES);
    if (session.program_files_folder.empty()) {
        // Old German and English systems without the special folder.
        if (folder_exists("C:\\Programme"))
            session.program_files_folder = "C:\\Programme";
        else if (folder_exists("C:\\Programs"))
            session.program_files_folder = "C:\\Programs";
    }
    session.target_folder = session.program_files_folder + "\\" + kProductFolderName;
}

RecordedVersion read_recorded_installation(std::string& recorded_version) {
    if (reg_get_value(kHkeyLocalMachine, kProductKey, "program_path", "") == 0) {
        session.target_folder = reg_last_value();
        session.existing_install = 1;
    }
    bool read = reg_get_value(kHkeyLocalMachine, kProductKey, "version_number", "") == 0;
    RecordedVersion outcome = compare_recorded_version(
        read, read ? reg_last_value() : std::string(), session.version_number);
    if (outcome == RecordedVersion::Newer) {
        // Without a version_string the last-value text still holds the number's digits, and
        // those are what the message then names.
        reg_get_value(kHkeyLocalMachine, kProductKey, "version_string", "");
        recorded_version = reg_last_value();
    }
    return outcome;
}

void installer_main(void* module_handle) {
    limit_library_search();
    leave_if_already_running();
    reset_session(module_handle);
    toolkit_init();
    services_init();
    propose_target_folder();
    run_system_check();

    std::string recorded_version;
    switch (read_recorded_installation(recorded_version)) {
    case RecordedVersion::Same:
        stop_with_message(kSameVersionTitle, same_version_message(session.version_text));
    case RecordedVersion::Newer:
        stop_with_message(kNewerVersionTitle,
                          newer_version_message(recorded_version, session.version_text));
    case RecordedVersion::None:
    case RecordedVersion::Older:
        break;
    }

    draw_wizard_artwork();
    build_wizard_window();
    run_page_loop();
    shutdown_and_exit();
}

void shutdown_and_exit() {
    toolkit_shutdown(); // the window and its gadgets go before the pictures they show
    release_artwork();
    services_shutdown();
    dir_examine_shutdown();
    release_directx_probe();
    session.undo_list.clear();
    session.file_name_list.clear();
    if (running_mutex) CloseHandle(running_mutex);
    ExitProcess(0);
}
