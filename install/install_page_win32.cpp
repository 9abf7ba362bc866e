// Page 6: the unattended installation in twenty progress steps, recorded action by action in the
// undo list, then the success message and the wait for "Fertigstellen".
#include <windows.h>
#include <shlobj.h>
#include <cstdlib>
#include <cstring>
#include "core/page_events.h"
#include "core/session.h"
#include "env/registry.h"
#include "install/file_types.h"
#include "install/install_page.h"
#include "install/install_steps.h"
#include "install/keep.h"
#include "install/target_hold.h"
#include "install/undo.h"
#include "install/uninstall_entry.h"
#include "log/journal.h"
#include "log/log_file.h"
#include "payload/embedded.h"
#include "payload/pack.h"
#include "payload/pack_format.h"
#include "services/dir_examine.h"
#include "services/file_services.h"
#include "services/path_rules.h"
#include "services/shortcuts.h"
#include "services/special_folders.h"
#include "services/start_as_user.h"
#include "services/system_paths.h"
#include "services/text_rules.h"
#include "ui/dialogs.h"
#include "ui/page_table.h"
#include "ui/toolkit.h"
#include "ui/wizard_window.h"

namespace {

struct Blob {
    const uint8_t* bytes;
    uint32_t length;
};

#ifdef KV_TEST_SEAMS
// Test builds only: "kv-fail-step=N" on the command line makes step N fail where the system
// cannot be made to fail it from outside. The shipped installer is built without any of this.
int seam_step() {
    const char* found = std::strstr(GetCommandLineA(), "kv-fail-step=");
    return found ? std::atoi(found + std::strlen("kv-fail-step=")) : 0;
}
bool seam(int step) {
    static const int failing = seam_step();
    return failing == step;
}
// "kv-blob=PATH" (PATH without blanks) hands the page the blob in that file in place of the one
// it carries: a payload that no build makes, such as an entry of an impossible size.
Blob blob_to_install() {
    static std::string bytes;
    const char* found = std::strstr(GetCommandLineA(), "kv-blob=");
    if (!found) return Blob{payload_blob(), payload_blob_length()};
    found += std::strlen("kv-blob=");
    if (file_open_read(0, std::string(found, std::strcspn(found, " ")))) {
        const int32_t size = file_size();
        bytes.assign(size > 0 ? size_t(size) : 0, '\0');
        if (size > 0) file_read_data(&bytes[0], uint32_t(size));
        file_close(0);
    }
    return Blob{reinterpret_cast<const uint8_t*>(bytes.data()), uint32_t(bytes.size())};
}
// "kv-stop-at=NAME" ends the process at once where the run passes the point NAME, with no
// roll-back: a crash, a kill or a power cut there. "kv-pause-at=NAME" holds the run there with a
// message box titled "kv-pause", for a test to end it from outside.
bool asked_for(const char* option, const char* point) {
    const char* found = std::strstr(GetCommandLineA(), option);
    if (!found) return false;
    found += std::strlen(option);
    const size_t length = std::strcspn(found, " ");
    return length == std::strlen(point) && std::strncmp(found, point, length) == 0;
}
void stop_if_asked(const char* point) {
    if (asked_for("kv-stop-at=", point)) TerminateProcess(GetCurrentProcess(), kStopExitCode);
    if (asked_for("kv-pause-at=", point)) MessageBoxA(nullptr, point, "kv-pause", MB_OK);
}
#else
constexpr bool seam(int) {
    return false;
}
Blob blob_to_install() {
    return Blob{payload_blob(), payload_blob_length()};
}
#endif

// Holds a file open without sharing, as another program would, so that the installer's own
// open of it fails for real. Only ever asked for by a test seam.
struct ExclusiveHold {
    HANDLE handle = INVALID_HANDLE_VALUE;
    explicit ExclusiveHold(bool wanted, const std::string& path) {
        if (wanted)
            handle = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    void release() {
        if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
        handle = INVALID_HANDLE_VALUE;
    }
    ~ExclusiveHold() { release(); }
};

const RegRoot kRoot = kHkeyLocalMachine;
// The temp folder's longest path, its zero included.
constexpr size_t kTempPathLimit = 1000;
const char* const kLocal = ""; // the computer name of the local registry

int g_steps_done = 0;

// Lets the window repaint between steps; input that arrives meanwhile is discarded on purpose,
// so no click or close request acts on a half-finished installation. The queue itself decides
// when the drain is over: a message whose event code reads 0 (a raw WM_NULL or WM_SIZE) must not
// leave a click behind for the finish loop. The bound only guards against a window that keeps
// invalidating itself.
void drain() {
    MSG message;
    for (int round = 0; round < 100000; ++round)
        if (poll_event() == 0 && !PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE)) return;
}

void advance() {
    ++g_steps_done;
    set_gadget_value(InstallProgressBar, progress_percent(g_steps_done));
    drain();
}

bool fail(const InstallMessage& message) {
    message_box(message.title, message.text, kButtonsOk);
    session.page_index = -1;
    return false;
}

std::string lookup_first(int preferred_csidl, int fallback_csidl) {
    std::string folder = special_folder_path(preferred_csidl);
    return folder.empty() ? special_folder_path(fallback_csidl) : folder;
}

// Step 1: the payload goes to a pack file in the temp folder first and is read back from there.
// The pack reader holds the file from its creation to its deletion, which closing it does.
bool write_pack(std::string& pack_path) {
    std::string temp;
    // Without a temp folder, or with one that has no ANSI form, the bare name would land in
    // whatever folder is current.
    if (!system_temp_folder(temp) || temp.size() >= kTempPathLimit) {
        pack_path = kPackFileName;
        return fail(message_pack_not_created(pack_path));
    }
    pack_path = temp + kPackFileName;
    // The bar moves as soon as the file exists, before the blob is written into it.
    const Blob blob = blob_to_install();
    if (!undo_before(kTagDeletePackFile, pack_path) ||
        !write_pack_file(pack_path, blob.bytes, blob.length, &advance))
        return fail(message_pack_not_created(pack_path));
    stop_point("pack");
    return true;
}

// Step 2: the pack is read back, and it must be the blob that was written. The seam stands for a
// pack that reads back wrong, which no other program can bring about while it is held.
bool open_pack(const std::string& pack_path) {
    if (seam(2) || !pack_open(pack_path)) return fail(message_pack_not_opened(pack_path));
    advance();
    return true;
}

// Step 3: every missing folder of the path is made, but only the target itself is recorded, so
// a roll-back or an uninstallation never removes parents that may be shared with other programs.
// The path is held from here to the end of the run (install/target_hold.h): a link anywhere in it
// is refused like a file standing there.
bool create_target_folder() {
    if (session.target_folder.empty()) return fail(message_target_not_created(""));
    session.target_folder = with_trailing_backslash(session.target_folder);
    const std::string& target = session.target_folder;
    const std::string target_itself = without_trailing_backslash(target);
    // The journal names the folder first: only what lies in it is the installation's to undo.
    if (!journal_append(UndoAction{kTagTargetFolder, target_itself}))
        return fail(message_target_not_created(target));
    // Recorded before it can come to exist, and taken back when it could not be made.
    const bool absent = !folder_exists(target_itself);
    if (absent && !undo_before(kTagDeleteDirectory, target_itself))
        return fail(message_target_not_created(target));
    bool created = false;
    const bool made = !seam(3) && make_target_folder(target_itself, created);
    if (absent && !created) undo_forget_newest();
    if (!made) return fail(message_target_not_created(target));
    advance();
    return true;
}

bool install_listed_files(const std::string& target, const std::string& pack_path) {
    // Without the list nothing would be installed, yet every later step would report success.
    if (!read_file_list() || session.file_name_list.empty())
        return fail(message_pack_not_opened(pack_path));
    std::string failed_path;
    if (!install_payload_files(target, failed_path, &advance))
        return fail(message_file_not_created(failed_path));
    pack_close();         // which deletes the pack file
    undo_remove_oldest(); // the pack file's record
    return true;
}

bool extract_library(const std::string& target) {
    ExclusiveHold hold(seam(8), target + kProducerExe);
    LibraryResult result = extract_embedded_library(target);
    hold.release();
    switch (result) {
    case LibraryResult::kToolNotOpened:
        return fail(message_file_not_opened(target + kProducerExe));
    case LibraryResult::kLibraryNotCreated:
        return fail(message_file_not_created(target + kLibraryFileName));
    case LibraryResult::kOk:
        break;
    }
    advance();
    return true;
}

// A folder that did not exist: recorded, then made; the record goes again when nothing was made.
bool create_recorded_folder(const std::string& path) {
    if (!undo_before(kTagDeleteDirectory, path)) return false;
    if (dir_create(path)) return true;
    undo_forget_newest();
    return false;
}

// Folders that exist already belong to the user: they are reused and never recorded.
bool create_document_folders(const std::string& target) {
    for (const char* name : kDocumentFolders) {
        const std::string path = target + name;
        if (!folder_exists(path) && !create_recorded_folder(path))
            return fail(message_folder_not_created(path));
        advance();
    }
    return true;
}

bool create_start_menu_folder(std::string& start_menu) {
    start_menu = start_menu_folder_path(lookup_first(CSIDL_COMMON_PROGRAMS, CSIDL_PROGRAMS), "",
                                        session.start_menu_folder);
    if (session.make_start_menu_links == 1) {
        if (start_menu.empty())
            return fail(message_folder_not_created("\\" + session.start_menu_folder));
        if (!folder_exists(start_menu) && !create_recorded_folder(start_menu))
            return fail(message_folder_not_created(start_menu));
    }
    start_menu += "\\";
    advance();
    return true;
}

bool record_installation() {
    const std::string key = kProductKey;
    if (!reg_key_exists(kRoot, key, kLocal)) {
        if (seam(13) || !undo_before(kTagDeleteRegKey, key)) return fail(message_key_not_created());
        if (!reg_create_key(kRoot, key, kLocal)) {
            undo_forget_newest();
            return fail(message_key_not_created());
        }
    }
    advance();

    // The value of an earlier installation is saved first, so that a failed update can put it
    // back. Both are recorded before the write. A seam points the write (and its records) at a
    // key that does not exist: the registry layer then fails the way it does for real, with its
    // own message first.
    auto write = [&](int step, const char* name, const std::string& text, uint32_t type) {
        const std::string where = seam(step) ? key + "kv-missing\\" : key;
        if (keep_reg_value(kRoot, where, name) == KeptValue::kFailed ||
            !undo_before(kTagDeleteRegValue, where + name) ||
            !reg_set_value(kRoot, where, name, text, type, kLocal))
            return fail(message_value_not_created(name));
        return true;
    };
    const std::string number = std::to_string(session.version_number);
    if (!write(14, kVersionStringValue, session.version_text, kRegSz)) return false;
    advance();
    if (!write(15, kVersionNumberValue, number, kRegDword)) return false;
    advance();
    // An update keeps the folder that the earlier installation recorded.
    if (session.existing_install == 0 &&
        !write(16, kProgramPathValue, without_trailing_backslash(session.target_folder), kRegSz))
        return false;
    // The system's list of installed programs: the last registry step's part, so that the bar
    // moves as it always did.
    InstallMessage failure;
    if (!write_uninstall_entry(session.target_folder, failure)) return fail(failure);
    advance();
    return true;
}

bool make_shortcut(const ShortcutPlan& plan) {
    if (!keep_file(plan.link) || !undo_before(kTagDeleteFile, plan.link) ||
        !create_shortcut(plan.target, plan.link, "", plan.description, "", SW_SHOWNORMAL, 0,
                         plan.target, 0))
        return fail(message_shortcut_not_created(plan.link));
    return true;
}

bool create_shortcuts(const std::string& target, const std::string& start_menu) {
    if (session.make_start_menu_links == 1)
        for (const ShortcutPlan& plan : start_menu_shortcuts(start_menu, target))
            if (!make_shortcut(plan)) return false;
    advance();

    const std::string desktop =
        desktop_folder_path(lookup_first(CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_DESKTOP), "");
    // With no desktop folder at all the link would go to the root of the current drive.
    const std::string where = desktop.empty() ? "\\" : desktop;
    if (session.make_desktop_link_producer == 1) {
        ShortcutPlan plan = desktop_producer_shortcut(where, target);
        if (desktop.empty()) return fail(message_shortcut_not_created(plan.link));
        if (!make_shortcut(plan)) return false;
    }
    advance();
    if (session.make_desktop_link_player == 1) {
        ShortcutPlan plan = desktop_player_shortcut(where, target);
        if (desktop.empty()) return fail(message_shortcut_not_created(plan.link));
        if (!make_shortcut(plan)) return false;
    }
    advance();
    return true;
}

// Their outcome is not checked: the document types are a convenience, never a reason to fail.
void register_document_types(const std::string& target) {
    const std::string player = target + kPlayerExe;
    for (const DocumentType& type : kDocumentTypes)
        register_file_type(type.extension, type.description, player, player, kPlayerExe, kOpenVerb,
                           kOpenVerb);
    advance();
}

bool run_steps(std::string& pack_path) {
    // Everything this run changes is written down before it is changed, from the pack file on.
    if (!journal_begin(UndoAction{kTagRunInstall, ""}))
        return fail(InstallMessage{kJournalNotCreatedText, kJournalNotCreatedTitle});
    if (!write_pack(pack_path) || !open_pack(pack_path) || !create_target_folder()) return false;
    const std::string target = session.target_folder;
    std::string start_menu;
    if (!install_listed_files(target, pack_path) || !extract_library(target) ||
        !create_document_folders(target))
        return false;
    stop_point("files");
    if (!create_start_menu_folder(start_menu) || !record_installation()) return false;
    stop_point("registry");
    if (!create_shortcuts(target, start_menu)) return false;
    register_document_types(target);
    stop_point("log-before");
    if (!write_uninstall_log(target)) return fail(message_log_not_created(target));
    // From here the installation is whole: an interrupted run is finished, not undone.
    journal_append(UndoAction{kTagDone, ""});
    stop_point("log-after");
    return true;
}

void enter_page() {
    show_page(6);
    // The same button finishes the wizard once the installation is done.
    write_gadget_text(InstallButton, "Fertigstellen");
    set_gadget_value(LaunchProducerCheckbox, 1);
    g_steps_done = 0;
}

// The tool runs as the signed-in user, started by the desktop's shell: started by us, it would
// inherit the installer's administrator rights. Only where no shell can be asked does the
// installer start it itself, as it always did.
void start_producer() {
    const std::string program = session.target_folder + kProducerExe;
    if (!start_as_signed_in_user(program, program_folder(program))) run_program(program, "", "", 0);
}

void wait_for_finish() {
    const InstallMessage done_message = message_installed();
    message_box(done_message.title, done_message.text, kButtonsOk);
    focus_page(6);
    // The close request asks the cancel question like on every page; its Yes keeps the finished
    // installation. Every other gadget but "Fertigstellen" is ignored.
    for (;;) {
        if (next_page_event() == InstallButton) {
            if (gadget_value(LaunchProducerCheckbox) == 1) start_producer();
            session.page_index += 1;
            return;
        }
    }
}

} // namespace

void run_install_page() {
#ifdef KV_TEST_SEAMS
    stop_hook = stop_if_asked;
#endif
    enter_page();
    std::string pack_path;
    if (!run_steps(pack_path)) {
        // A failure before the pack file's own deletion after the listed files would leave it in
        // the temp folder. Only a pack that this run made is deleted: no other is open.
        pack_close();
        return;
    }
    remove_kept_files();
    journal_end();
    wait_for_finish();
}
