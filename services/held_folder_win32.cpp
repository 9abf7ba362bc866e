#include <windows.h>
#include <winternl.h>
#include "services/held_folder.h"
#include "services/system_library.h"
#include "services/system_paths.h"

namespace {

// The native calls that create a folder opened at once, inside a folder given by its handle, and
// that delete a folder through its handle. NT 3.1 has them; the 95 family has no ntdll.
using NtCreateFileCall = NTSTATUS(NTAPI*)(HANDLE*, ACCESS_MASK, OBJECT_ATTRIBUTES*,
                                          IO_STATUS_BLOCK*, LARGE_INTEGER*, ULONG, ULONG, ULONG,
                                          ULONG, void*, ULONG);
using NtSetInformationFileCall = NTSTATUS(NTAPI*)(HANDLE, IO_STATUS_BLOCK*, void*, ULONG, ULONG);
constexpr ULONG kCaseInsensitive = 0x40;      // OBJ_CASE_INSENSITIVE
constexpr ULONG kCreateOnly = 2;              // FILE_CREATE: fails where anything stands
constexpr ULONG kFolderOptions = 0x01 | 0x20; // a directory, synchronous
constexpr ULONG kForBackup = 0x4000;          // FILE_OPEN_FOR_BACKUP_INTENT
constexpr ULONG kDispositionInformation = 13; // FileDispositionInformation
constexpr WORD kDaclProtected = 0x1000;       // SE_DACL_PROTECTED, Windows 2000 on

HMODULE ntdll() {
    return GetModuleHandleA("ntdll.dll");
}

// What every hold asks for: listing rights, so that the sharing is recorded and binds others (a
// handle with no rights to the data shares nothing away), and no deletion shared.
constexpr DWORD kHoldAccess = FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
// The folder the path ends in may be empty, and an empty folder that another program may open
// for writing can be made a link without being renamed: it shares reading only. The folders
// above it hold it and so are never empty.
DWORD hold_sharing(bool innermost) {
    return innermost ? FILE_SHARE_READ : FILE_SHARE_READ | FILE_SHARE_WRITE;
}

bool is_link(DWORD attributes) {
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// Asked by name once the name is held: it can no longer be given to anything else.
bool is_plain_folder(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) ==
               FILE_ATTRIBUTE_DIRECTORY;
}

std::string without_final_backslash(std::string path) {
    while (path.size() > 1 && path.back() == '\\' && path[path.size() - 2] != ':')
        path.pop_back();
    return path;
}

void push_hold(HeldPath& held, HANDLE handle, bool created) {
    held.holds.push_back(handle);
    held.created.push_back(created);
}

// A program that has the folder open at this moment with rights our sharing denies (a virus
// scanner, a search indexer, another program's rename) is waited for a little: the hold refuses
// such opens only from the moment it is taken.
constexpr int kHoldAttempts = 20;
constexpr DWORD kHoldPauseMs = 50;

HANDLE open_to_hold(const std::string& component, bool innermost) {
    for (int attempt = 1;; ++attempt) {
        HANDLE handle = CreateFileA(
            component.c_str(), kHoldAccess, hold_sharing(innermost), nullptr, OPEN_EXISTING,
            FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (handle != INVALID_HANDLE_VALUE || GetLastError() != ERROR_SHARING_VIOLATION ||
            attempt == kHoldAttempts)
            return handle;
        Sleep(kHoldPauseMs);
    }
}

// The root of the path (a drive or a share), opened for the creation of its first folder. Roots
// are never held: nobody can rename them.
HANDLE open_root(const std::string& first_component) {
    const size_t cut = first_component.rfind('\\');
    if (cut == std::string::npos) return INVALID_HANDLE_VALUE;
    const std::string root = first_component.substr(0, cut + 1);
    return CreateFileA(root.c_str(), FILE_LIST_DIRECTORY | SYNCHRONIZE,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

// The absolute security descriptor with the access list; the list lives in acl_storage.
void program_files_security(SECURITY_DESCRIPTOR& security, std::vector<DWORD>& acl_storage) {
    const std::vector<uint8_t> acl = program_files_access_list();
    // Access lists are read as DWORDs: the storage keeps them aligned.
    acl_storage.assign((acl.size() + 3) / 4, 0);
    memcpy(acl_storage.data(), acl.data(), acl.size());
    security = SECURITY_DESCRIPTOR{};
    security.Revision = SECURITY_DESCRIPTOR_REVISION;
    security.Control = SE_DACL_PRESENT;
    // Since Windows 2000 a new folder also takes what its parent passes on, unless its own list
    // is protected: a user's folder passes on the user's full control. NT 4 passes nothing on by
    // itself and knows no such flag.
    if (LOBYTE(LOWORD(GetVersion())) >= 5) security.Control |= kDaclProtected;
    security.Dacl = reinterpret_cast<ACL*>(acl_storage.data());
}

// Creates the folder name inside parent and returns it opened, or null.
HANDLE create_inside(HANDLE parent, const std::string& name, bool innermost, bool access_list) {
    static const NtCreateFileCall create =
        optional_function<NtCreateFileCall>(ntdll(), "NtCreateFile");
    if (!create || name.empty()) return nullptr;
    std::vector<wchar_t> wide(name.size() + 1);
    const int length = MultiByteToWideChar(CP_ACP, 0, name.c_str(), int(name.size()), wide.data(),
                                           int(name.size()));
    if (length <= 0) return nullptr;
    UNICODE_STRING nt_name;
    nt_name.Length = nt_name.MaximumLength = USHORT(length * sizeof(wchar_t));
    nt_name.Buffer = wide.data();
    SECURITY_DESCRIPTOR security;
    std::vector<DWORD> acl_storage;
    if (access_list) program_files_security(security, acl_storage);
    OBJECT_ATTRIBUTES object = {};
    object.Length = sizeof object;
    object.RootDirectory = parent;
    object.ObjectName = &nt_name;
    object.Attributes = kCaseInsensitive;
    object.SecurityDescriptor = access_list ? &security : nullptr;
    IO_STATUS_BLOCK status_block = {};
    HANDLE folder = nullptr;
    const NTSTATUS status = create(&folder, kHoldAccess | DELETE, &object, &status_block, nullptr,
                                   FILE_ATTRIBUTE_NORMAL, hold_sharing(innermost), kCreateOnly,
                                   kFolderOptions | kForBackup, nullptr, 0);
    return status >= 0 ? folder : nullptr;
}

} // namespace

bool path_has_link(const std::string& path) {
    // The 95 family has none, and would report rubbish in the bit.
    if (ansi_system()) return false;
    for (const std::string& component : held_path_components(without_final_backslash(path))) {
        const DWORD attributes = GetFileAttributesA(component.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) return false; // nothing below exists
        if (is_link(attributes)) return true;
    }
    return false;
}

HoldResult hold_path(HeldPath& held, const std::string& path) {
    const std::string wanted = without_final_backslash(path);
    if (held.path != wanted) {
        release_path(held);
        held.path = wanted;
    }
    const std::vector<std::string> components = held_path_components(wanted);
    const bool nt_family = !ansi_system();
    for (size_t i = held.holds.size(); i < components.size(); ++i) {
        const std::string& component = components[i];
        const DWORD attributes = GetFileAttributesA(component.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) return HoldResult::kHeld; // the rest is to make
        if (!nt_family) {
            if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return HoldResult::kLink;
            push_hold(held, nullptr, false);
            continue;
        }
        if (is_link(attributes) || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            release_path(held);
            return HoldResult::kLink;
        }
        HANDLE handle = open_to_hold(component, i + 1 == components.size());
        if (handle == INVALID_HANDLE_VALUE) {
            release_path(held);
            return HoldResult::kFailed;
        }
        push_hold(held, handle, false);
        // What was checked before the hold may have been swapped before it took: asked again.
        if (!is_plain_folder(component)) {
            release_path(held);
            return HoldResult::kLink;
        }
    }
    return HoldResult::kHeld;
}

bool held_completely(const HeldPath& held) {
    return !held.path.empty() && held.holds.size() == held_path_components(held.path).size();
}

HoldResult create_held_folder(HeldPath& held, bool access_list) {
    const std::vector<std::string> components = held_path_components(held.path);
    const size_t next = held.holds.size();
    if (next >= components.size()) return HoldResult::kHeld;
    const std::string& component = components[next];
    if (ansi_system()) {
        if (!CreateDirectoryA(component.c_str(), nullptr)) return HoldResult::kFailed;
        push_hold(held, nullptr, true);
        return HoldResult::kHeld;
    }
    HANDLE parent = next > 0 ? held.holds[next - 1] : open_root(component);
    if (parent == INVALID_HANDLE_VALUE || !parent) return HoldResult::kFailed;
    HANDLE folder = create_inside(parent, component.substr(component.rfind('\\') + 1),
                                  next + 1 == components.size(), access_list);
    if (next == 0) CloseHandle(parent);
    if (!folder) return HoldResult::kFailed;
    push_hold(held, folder, true);
    return HoldResult::kHeld;
}

bool remove_innermost_held(HeldPath& held) {
    if (held.holds.empty() || !held.created.back()) return false;
    const std::string folder = held_path_components(held.path)[held.holds.size() - 1];
    HANDLE handle = held.holds.back();
    if (!handle) {
        held.holds.pop_back();
        held.created.pop_back();
        return RemoveDirectoryA(folder.c_str()) != 0;
    }
    static const NtSetInformationFileCall set_information =
        optional_function<NtSetInformationFileCall>(ntdll(), "NtSetInformationFile");
    BOOLEAN remove = TRUE;
    IO_STATUS_BLOCK status_block = {};
    // The system refuses it for a folder that is not empty, which then stays held.
    if (!set_information ||
        set_information(handle, &status_block, &remove, sizeof remove, kDispositionInformation) < 0)
        return false;
    CloseHandle(handle);
    held.holds.pop_back();
    held.created.pop_back();
    return GetFileAttributesA(folder.c_str()) == INVALID_FILE_ATTRIBUTES;
}

void release_path(HeldPath& held) {
    // The innermost first: a folder is never left held below one that is no longer.
    while (!held.holds.empty()) {
        if (held.holds.back()) CloseHandle(held.holds.back());
        held.holds.pop_back();
    }
    held.created.clear();
    held.path.clear();
}
