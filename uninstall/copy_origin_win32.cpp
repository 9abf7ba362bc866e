#include "uninstall/copy_origin.h"

#include <windows.h>
#include <tlhelp32.h>
#include "log/product.h"
#include "services/system_library.h"
#include "services/system_paths.h"
#include "services/text_rules.h"

namespace {

// The system's record of a process (NtQueryInformationProcess, class 0), as every NT lays it out.
struct BasicProcessInformation {
    LONG exit_status;
    void* peb;
    ULONG_PTR affinity;
    LONG base_priority;
    ULONG_PTR id;
    ULONG_PTR parent_id;
};

using QueryProcessFn = LONG(WINAPI*)(HANDLE, ULONG, void*, ULONG, ULONG*);
using FullImageNameFn = BOOL(WINAPI*)(HANDLE, DWORD, wchar_t*, DWORD*);
using ModuleFileNameExFn = DWORD(WINAPI*)(HANDLE, HMODULE, wchar_t*, DWORD);
using SnapshotFn = HANDLE(WINAPI*)(DWORD, DWORD);
using ProcessWalkFn = BOOL(WINAPI*)(HANDLE, PROCESSENTRY32*);

constexpr DWORD kNameBuffer = 1024;

QueryProcessFn query_process() {
    return optional_function<QueryProcessFn>(GetModuleHandleA("ntdll.dll"),
                                             "NtQueryInformationProcess");
}

// Vista on: the call itself. Before it (NT 4 with its process library, 2000, XP) the process
// library's name of the first module, which is the program.
FullImageNameFn full_image_name() {
    return optional_function<FullImageNameFn>(GetModuleHandleA("kernel32.dll"),
                                              "QueryFullProcessImageNameW");
}

ModuleFileNameExFn module_file_name_ex() {
    return optional_function<ModuleFileNameExFn>(load_system_library("PSAPI.DLL"),
                                                 "GetModuleFileNameExW");
}

bool process_ids(HANDLE process, uint32_t& id, uint32_t& parent_id) {
    QueryProcessFn query = query_process();
    BasicProcessInformation info = {};
    ULONG size = 0;
    if (!query || query(process, 0, &info, sizeof info, &size) < 0) return false;
    id = static_cast<uint32_t>(info.id);
    parent_id = static_cast<uint32_t>(info.parent_id);
    return true;
}

bool program_of(HANDLE process, std::string& program) {
    wchar_t name[kNameBuffer];
    DWORD length = kNameBuffer;
    bool found = false;
    if (FullImageNameFn full = full_image_name()) {
        found = full(process, 0, name, &length) && length > 0 && length < kNameBuffer;
    } else if (ModuleFileNameExFn module_name = module_file_name_ex()) {
        length = module_name(process, nullptr, name, kNameBuffer);
        found = length > 0 && length < kNameBuffer;
    }
    if (!found) return false;
    name[length] = 0;
    if (!ansi_path(name, program)) return false;
    make_comparable_path(program);
    return true;
}

// The 95 family knows no process ids behind handles, but its snapshot names every process's
// parent and program by full path. That the handed handle is that parent cannot be told there;
// it has to be a process that still runs.
bool origin_from_snapshot(HANDLE process, const std::string& target_folder, CopyOrigin& origin) {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    auto snapshot = optional_function<SnapshotFn>(kernel, "CreateToolhelp32Snapshot");
    auto first = optional_function<ProcessWalkFn>(kernel, "Process32First");
    auto next = optional_function<ProcessWalkFn>(kernel, "Process32Next");
    DWORD code = 0;
    if (!snapshot || !first || !next || !GetExitCodeProcess(process, &code) || code != STILL_ACTIVE)
        return false;
    HANDLE list = snapshot(TH32CS_SNAPPROCESS, 0);
    if (list == INVALID_HANDLE_VALUE) return false;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    const DWORD self = GetCurrentProcessId();
    DWORD parent = 0;
    for (BOOL more = first(list, &entry); more && !parent; more = next(list, &entry))
        if (entry.th32ProcessID == self) parent = entry.th32ParentProcessID;
    entry.dwSize = sizeof entry;
    for (BOOL more = parent && first(list, &entry); more; more = next(list, &entry))
        if (entry.th32ProcessID == parent) {
            origin.original_program = entry.szExeFile;
            // Some of these systems (and Wine) name the program without its folder. Nothing on
            // the 95 family keeps one program from another's rights, so the name is what there
            // is to check there.
            if (origin.original_program.find('\\') == std::string::npos &&
                equal_ignoring_case(origin.original_program, kUninstallExe))
                origin.original_program = target_folder + "\\" + kUninstallExe;
            origin.original_id = origin.parent_id = parent;
            break;
        }
    CloseHandle(list);
    return origin.original_id != 0;
}

} // namespace

CopyOrigin copy_origin(const CopyHandles& handles, const std::string& target_folder) {
    CopyOrigin origin;
    module_file_path(nullptr, origin.own_program);
    system_temp_folder(origin.temp_folder);
    HANDLE original = reinterpret_cast<HANDLE>(handles.original);
    if (!original) return origin;
    if (ansi_system()) {
        origin_from_snapshot(original, target_folder, origin);
        return origin;
    }
    uint32_t own_id = 0, original_parent = 0;
    // The handle must name a process (the query refuses anything else) other than this one.
    if (!process_ids(GetCurrentProcess(), own_id, origin.parent_id) ||
        !process_ids(original, origin.original_id, original_parent) ||
        origin.original_id == own_id || !program_of(original, origin.original_program))
        origin = CopyOrigin{0, 0, std::string(), origin.own_program, origin.temp_folder};
    return origin;
}

bool can_tell_copy_origin() {
    if (ansi_system()) {
        HMODULE kernel = GetModuleHandleA("kernel32.dll");
        return optional_procedure(kernel, "CreateToolhelp32Snapshot") &&
               optional_procedure(kernel, "Process32First") &&
               optional_procedure(kernel, "Process32Next");
    }
    return query_process() && (full_image_name() || module_file_name_ex());
}

uint32_t copy_origin_access() {
    // The image name through the process library reads the other process's memory.
    return SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_VM_READ;
}
