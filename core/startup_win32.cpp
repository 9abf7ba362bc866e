#include <windows.h>
#include <shlobj.h>
#include "core/page_loop.h"
#include "core/session.h"
#include "core/shutdown.h"
#include "core/single_copy.h"
#include "core/startup.h"
#include "env/registry.h"
#include "env/registry_rules.h"
#include "env/system_check.h"
#include "install/recovery.h"
#include "services/dir_examine.h"
#include "services/file_services.h"
#include "services/special_folders.h"
#include "services/system_library.h"
#include "services/text_rules.h"
#include "ui/artwork.h"
#include "ui/dialogs.h"
#include "ui/toolkit.h"
#include "ui/wizard_window.h"

namespace {

[[noreturn]] void stop_with_message(const std::string& title, const std::string& text) {
    message_box(title, text, kButtonsOk);
    shutdown_and_exit();
}

} // namespace

void reset_session(void* module_handle) {
    session = InstallerSession{};
    session.module_handle = module_handle;
    session.installer_folder = module_folder(module_handle);
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

namespace {

// The recorded folder when an installation of the product stands there. Any program may have
// written the value: another product's folder would otherwise be updated "into", its files
// replaced and its log merged into ours.
bool read_recorded_folder(std::string& folder) {
    uint32_t type = 0;
    if (reg_get_value(kHkeyLocalMachine, kProductKey, kProgramPathValue, "", &type) != 0 ||
        type != kRegSz)
        return false;
    folder = reg_last_value();
    if (!is_recorded_folder_text(folder)) return false;
    DWORD tool = GetFileAttributesA((with_trailing_backslash(folder) + kProducerExe).c_str());
    return tool != INVALID_FILE_ATTRIBUTES && !(tool & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace

RecordedVersion read_recorded_installation(std::string& recorded_version) {
    std::string folder;
    if (read_recorded_folder(folder)) {
        session.target_folder = folder;
        session.existing_install = 1;
    }
    bool read = reg_get_value(kHkeyLocalMachine, kProductKey, kVersionNumberValue, "") == 0;
    RecordedVersion outcome = compare_recorded_version(
        read, read ? reg_last_value() : std::string(), session.version_number);
    if (outcome == RecordedVersion::kNewer) {
        // Without a version_string the last-value text still holds the number's digits, and
        // those are what the message then names.
        reg_get_value(kHkeyLocalMachine, kProductKey, kVersionStringValue, "");
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
    // A run that was cut off is undone (or finished) before anything looks at what it left:
    // a recorded version counts only with its log in place.
    recover_interrupted_run();
    propose_target_folder();
    run_system_check();

    std::string recorded_version;
    switch (read_recorded_installation(recorded_version)) {
    case RecordedVersion::kSame:
        stop_with_message(kSameVersionTitle, same_version_message(session.version_text));
    case RecordedVersion::kNewer:
        stop_with_message(kNewerVersionTitle,
                          newer_version_message(recorded_version, session.version_text));
    case RecordedVersion::kNone:
    case RecordedVersion::kOlder:
        break;
    }

    draw_wizard_artwork();
    build_wizard_window();
    run_page_loop();
    shutdown_and_exit();
}
