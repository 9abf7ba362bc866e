#include "uninstall/uninstall_held.h"

#include <windows.h>
#include <cstring>
#include "log/product_scope.h"
#include "services/held_folder.h"
#include "services/system_library.h"
#include "services/system_paths.h"
#include "services/text_rules.h"
#include "services/whole_files.h"

namespace {

struct StatusBlock {
    LONG status;
    ULONG_PTR information;
};
using SetInformationFileFn = LONG(WINAPI*)(HANDLE, StatusBlock*, void*, ULONG, ULONG);
constexpr ULONG kDispositionInformation = 13; // FileDispositionInformation
constexpr LONG kStatusDirectoryNotEmpty = LONG(0xC0000101);
constexpr LONG kStatusCannotDelete = LONG(0xC0000121); // read-only

// Held: listing rights, so that the sharing binds others, shared for reading and writing (so that
// files can still be made and renamed inside), never for deletion: nobody can rename or delete a
// held folder, nor any folder above it. No deletion right either: a rename into the folder opens
// it for writing without sharing deletion, and would be refused by a handle that may delete.
constexpr DWORD kHoldAccess = FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
constexpr DWORD kHoldSharing = FILE_SHARE_READ | FILE_SHARE_WRITE;
// Opened as itself: a link is not followed but opened, and then refused.
constexpr DWORD kAsItself = FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT;

struct Installation {
    std::string folder;
    InstallationHold state = InstallationHold::kMissing;
    bool active = false;
    HeldPath above;
    HANDLE hold = nullptr;
    // Where the system says the held folder lies (after a substituted or network drive), in
    // comparable form; empty where it cannot say.
    std::string reached;
};
Installation installation;

bool is_missing_error(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

bool is_link(DWORD attributes) {
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// Once a name is held, asking by name tells about what the handle holds.
bool is_plain_folder(DWORD attributes) {
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) ==
               FILE_ATTRIBUTE_DIRECTORY;
}

HANDLE open_as_itself(const std::string& path, DWORD access, DWORD sharing) {
    HANDLE handle =
        CreateFileA(path.c_str(), access, sharing, nullptr, OPEN_EXISTING, kAsItself, nullptr);
    return handle == INVALID_HANDLE_VALUE ? nullptr : handle;
}

void close_all(std::vector<HANDLE>& handles) {
    while (!handles.empty()) {
        CloseHandle(handles.back());
        handles.pop_back();
    }
}

// Vista on: the path by which the system reached what handle holds, after every link, in
// comparable form. Wine opens a link to a file as the file it points to and shows no link in its
// attributes; this path still tells. Empty where the system cannot say (before Vista the
// attributes show every link, and a thing opened as itself is the link).
std::string reached_path(HANDLE handle) {
    using FinalPathFn = DWORD(WINAPI*)(HANDLE, wchar_t*, DWORD, DWORD);
    static const FinalPathFn final_path = optional_function<FinalPathFn>(
        GetModuleHandleA("kernel32.dll"), "GetFinalPathNameByHandleW");
    wchar_t buffer[1024];
    const DWORD length = final_path ? final_path(handle, buffer, 1024, 0) : 0;
    if (length < 4 || length >= 1024) return std::string();
    // "\\?\C:\…" or "\\?\UNC\server\share\…"
    wchar_t* start = buffer + 4;
    if (length > 8 && std::memcmp(start, L"UNC\\", 4 * sizeof(wchar_t)) == 0) {
        start = buffer + 6;
        *start = L'\\';
    }
    std::string path;
    if (!ansi_path(start, path)) return std::string();
    make_comparable_path(path);
    return path;
}

// What handle holds was reached through a link on the way from the installation folder to path.
bool reached_elsewhere(HANDLE handle, const std::string& path) {
    if (installation.reached.empty()) return false;
    const std::string reached = reached_path(handle);
    return !reached.empty() &&
           !same_path(reached, installation.reached + path.substr(installation.folder.size()));
}

bool is_at_or_inside(const std::string& path, const std::string& folder) {
    return same_path(path, folder) || is_inside(path, folder);
}

// The folder step of the installation folder itself or a step below it, in the held form.
bool concerns_installation(const UninstallStep& step) {
    return installation.active &&
           (step.action == UninstallAction::kDeleteFile ||
            step.action == UninstallAction::kDeleteFolder) &&
           is_at_or_inside(step.path, installation.folder);
}

LONG mark_deleted(HANDLE handle) {
    static const SetInformationFileFn set_information = optional_function<SetInformationFileFn>(
        GetModuleHandleA("ntdll.dll"), "NtSetInformationFile");
    if (!set_information) return kStatusCannotDelete;
    BOOLEAN remove = TRUE;
    StatusBlock status = {};
    return set_information(handle, &status, &remove, sizeof remove, kDispositionInformation);
}

// Deletes what handle holds (path names it, and is pinned while held), a read-only one too.
StepOutcome delete_through(HANDLE handle, const std::string& path, DWORD attributes) {
    LONG status = mark_deleted(handle);
    if (status == kStatusCannotDelete && (attributes & FILE_ATTRIBUTE_READONLY)) {
        SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
        status = mark_deleted(handle);
        if (status < 0) SetFileAttributesA(path.c_str(), attributes);
    }
    if (status == kStatusDirectoryNotEmpty) return StepOutcome::kNotEmpty;
    return status >= 0 ? StepOutcome::kRemoved : StepOutcome::kFailed;
}

// Removes the thing at path, whose folder chain below the installation folder is held; as_folder
// tells what the log says it is.
StepOutcome remove_held(const std::string& path, bool as_folder) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return is_missing_error(GetLastError()) ? StepOutcome::kAlreadyGone : StepOutcome::kFailed;
    // Listed before the folder is opened for its deletion, which would keep the listing out.
    // Checked, not left to the file system: on some network shares a folder that still holds the
    // user's documents must not depend on the server refusing. (A folder filled after the check
    // is refused by the system.)
    if (as_folder && (attributes & FILE_ATTRIBUTE_DIRECTORY) && !is_link(attributes) &&
        !folder_is_empty(path, false)) // unreadable counts as not empty
        return StepOutcome::kNotEmpty;
    // Nobody else may rename, delete or write it while it is open for its deletion; a program
    // that holds it already keeps it ("in use").
    HANDLE handle =
        open_as_itself(path, DELETE | FILE_READ_ATTRIBUTES | SYNCHRONIZE, FILE_SHARE_READ);
    if (!handle)
        return is_missing_error(GetLastError()) ? StepOutcome::kAlreadyGone : StepOutcome::kFailed;
    attributes = GetFileAttributesA(path.c_str());
    StepOutcome outcome = StepOutcome::kFailed;
    // A link is no thing the installation made, and a folder where the log names a file (or the
    // other way round) is not what it made either.
    if (attributes != INVALID_FILE_ATTRIBUTES && !is_link(attributes) &&
        bool(attributes & FILE_ATTRIBUTE_DIRECTORY) == as_folder &&
        !reached_elsewhere(handle, path))
        outcome = delete_through(handle, path, attributes);
    CloseHandle(handle);
    return outcome;
}

// The installation folder itself: its hold is let go for a handle that may delete it, which it
// gets back when the folder stays.
StepOutcome remove_installation_folder() {
    if (installation.hold) CloseHandle(installation.hold);
    installation.hold = nullptr;
    StepOutcome outcome = remove_held(installation.folder, true);
    if (outcome == StepOutcome::kRemoved || outcome == StepOutcome::kAlreadyGone) {
        installation.state = InstallationHold::kMissing;
    } else {
        installation.hold = open_as_itself(installation.folder, kHoldAccess, kHoldSharing);
        if (!installation.hold || !is_plain_folder(GetFileAttributesA(installation.folder.c_str())))
            installation.state = InstallationHold::kUnavailable;
    }
    return outcome;
}

// The folders from the installation folder (exclusive) down to path (exclusive), from the top.
std::vector<std::string> folders_between(const std::string& path) {
    std::vector<std::string> between;
    for (const std::string& component : held_path_components(path))
        if (is_inside(component, installation.folder) && component.size() < path.size())
            between.push_back(component);
    return between;
}

StepOutcome perform_inside(const UninstallStep& step) {
    std::vector<HANDLE> held;
    StepOutcome outcome = StepOutcome::kFailed;
    bool through = true;
    for (const std::string& folder : folders_between(step.path)) {
        HANDLE handle = open_as_itself(folder, kHoldAccess, kHoldSharing);
        if (!handle) {
            if (is_missing_error(GetLastError())) outcome = StepOutcome::kAlreadyGone;
            through = false;
            break;
        }
        held.push_back(handle);
        if (!is_plain_folder(GetFileAttributesA(folder.c_str())) ||
            reached_elsewhere(handle, folder)) {
            through = false; // a link on the way, or a file where a folder should be
            break;
        }
    }
    if (through) outcome = remove_held(step.path, step.action == UninstallAction::kDeleteFolder);
    close_all(held);
    return outcome;
}

} // namespace

void release_installation() {
    release_path(installation.above);
    if (installation.hold) CloseHandle(installation.hold);
    installation = Installation();
}

InstallationHold hold_installation(const std::string& folder) {
    release_installation();
    installation.folder = folder;
    // A drive root is no installation folder (the plan admits nothing inside one).
    installation.active = is_removable_file_path(folder);
    if (!installation.active) return installation.state = InstallationHold::kUnavailable;
    if (ansi_system()) {
        installation.active = false; // no links, nothing to hold: by name
        return installation.state = InstallationHold::kHeld;
    }
    // The folders above are held as well where they can be; where one cannot (another program
    // has it open for writing), asking each by name still finds a link there.
    const std::string parent = without_trailing_backslash(folder_of(folder));
    if (hold_path(installation.above, parent) == HoldResult::kLink || path_has_link(parent))
        return installation.state = InstallationHold::kLink;
    DWORD attributes = GetFileAttributesA(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return installation.state = is_missing_error(GetLastError())
                                        ? InstallationHold::kMissing
                                        : InstallationHold::kUnavailable;
    if (is_link(attributes)) return installation.state = InstallationHold::kLink;
    installation.hold = open_as_itself(folder, kHoldAccess, kHoldSharing);
    if (!installation.hold) return installation.state = InstallationHold::kUnavailable;
    // What was asked before the hold may have been swapped before it took: asked again.
    attributes = GetFileAttributesA(folder.c_str());
    if (is_link(attributes)) return installation.state = InstallationHold::kLink;
    if (!is_plain_folder(attributes)) return installation.state = InstallationHold::kUnavailable;
    installation.reached = reached_path(installation.hold);
    return installation.state = InstallationHold::kHeld;
}

void refuse_linked_steps(UninstallPlan& plan) {
    for (UninstallStep& step : plan.steps) {
        if (!concerns_installation(step)) continue;
        if (installation.state != InstallationHold::kLink && !path_has_link(step.path)) continue;
        step.action = UninstallAction::kSkip;
        step.line.clear();
        ++plan.foreign_lines;
    }
}

bool perform_held_step(const UninstallStep& step, StepOutcome& outcome) {
    if (!concerns_installation(step)) return false;
    switch (installation.state) {
    case InstallationHold::kMissing:
        outcome = StepOutcome::kAlreadyGone;
        break;
    case InstallationHold::kLink:
    case InstallationHold::kUnavailable:
        outcome = StepOutcome::kFailed;
        break;
    case InstallationHold::kHeld:
        outcome =
            same_path(step.path, installation.folder)
                ? (step.action == UninstallAction::kDeleteFolder ? remove_installation_folder()
                                                                 : StepOutcome::kFailed)
                : perform_inside(step);
        break;
    }
    return true;
}
