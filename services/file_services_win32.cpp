// File and folder services over the Win32 file calls: numbered files with one current file, the
// folder-tree deletion, and the program start through the shell.
#include <windows.h>
#include <shellapi.h>
#include <vector>
#include "services/file_services.h"
#include "services/path_rules.h"
#include "services/system_library.h"
#include "services/system_paths.h"
#include "services/text_rules.h"

// The shipped programs are 32-bit; the lab build (64-bit) has its own record size.
static_assert(sizeof(void*) != 4 || sizeof(SHELLEXECUTEINFOA) == 60, "the 32-bit shell record");

namespace {

// The installer's path is at most this long, its zero included.
constexpr size_t kModulePathLimit = 500;
std::string installer_folder;
bool initialised = false;

// Open files by number; a null entry is a free number. A number beyond this is refused rather
// than grown into a table of that size.
constexpr int kMaxFileNumber = 1024;
std::vector<HANDLE> files;
HANDLE current_file = nullptr;

void close_number(int number) {
    if (number < 0 || size_t(number) >= files.size() || !files[size_t(number)]) return;
    if (files[size_t(number)] == current_file) current_file = nullptr;
    CloseHandle(files[size_t(number)]);
    files[size_t(number)] = nullptr;
}

int open_numbered(int number, const std::string& path, DWORD access, DWORD disposition) {
    if (number < 0 || number > kMaxFileNumber) return 0;
    // The earlier file goes first: opened with share mode read only, it would otherwise make
    // opening the same path for writing fail.
    close_number(number);
    current_file = nullptr;
    HANDLE handle = CreateFileA(path.c_str(), access, FILE_SHARE_READ, nullptr, disposition,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return 0;
    if (size_t(number) >= files.size()) files.resize(size_t(number) + 1, nullptr);
    files[size_t(number)] = handle;
    current_file = handle;
    return 1;
}

bool write_all(const void* data, DWORD count, DWORD* written) {
    *written = 0;
    return WriteFile(current_file, data, count, written, nullptr) && *written == count;
}

int delete_tree(const std::string& path, const std::string& pattern, int flags) {
    enter_installer_folder();
    if (path.empty()) return 0;
    std::string folder = with_trailing_backslash(path);
    std::string search = search_text(folder, pattern);
    if (!within_path_limit(folder) || !within_path_limit(search)) return 0;

    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA(search.c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return 0;
    do {
        std::string name = entry.cFileName;
        std::string entry_path = folder + name;
        // An entry whose path does not fit stays; the folder then is not empty and stays too.
        if (!within_path_limit(entry_path)) continue;
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            if (flags & 2) SetFileAttributesA(entry_path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(entry_path.c_str());
        } else if ((flags & 1) && name != "." && name != "..") {
            // A linked folder (junction or symbolic link) is removed as a link: descending into
            // it would empty a folder that lies outside the tree.
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
                if (flags & 2) SetFileAttributesA(entry_path.c_str(), FILE_ATTRIBUTE_NORMAL);
                RemoveDirectoryA(entry_path.c_str());
            } else {
                delete_tree(entry_path, pattern, flags);
            }
        }
    } while (FindNextFileA(find, &entry));
    FindClose(find);
    if (flags & 2) SetFileAttributesA(folder.c_str(), FILE_ATTRIBUTE_NORMAL);
    return RemoveDirectoryA(folder.c_str()) ? 1 : 0;
}

} // namespace

std::string module_folder(void* module) {
    std::string path;
    if (!module_file_path(static_cast<HMODULE>(module), path) || path.size() >= kModulePathLimit)
        return std::string();
    return folder_of(path);
}

void services_init() {
    installer_folder = module_folder(nullptr);
    initialised = true;
}

void services_shutdown() {
    for (size_t i = 0; i < files.size(); ++i)
        close_number(int(i));
    files.clear();
    current_file = nullptr;
}

const std::string& services_installer_folder() {
    if (!initialised) services_init();
    return installer_folder;
}

void enter_installer_folder() {
    const std::string& folder = services_installer_folder();
    if (!folder.empty()) SetCurrentDirectoryA(folder.c_str());
}

int dir_create(const std::string& path) {
    return CreateDirectoryA(path.c_str(), nullptr) ? 1 : 0;
}

int dir_delete_tree(const std::string& path, const std::string& pattern, int flags) {
    return delete_tree(path, pattern, flags);
}

int dir_delete(const std::string& path, const std::string& pattern) {
    return dir_delete_tree(path, pattern, 0);
}

int file_delete(const std::string& path) {
    return DeleteFileA(path.c_str()) ? 1 : 0;
}

// Wine takes a Linux symbolic link for a link of Windows, but deletes or renames through one the
// file it points to. A rename onto a name replaces that name itself, on Windows and on Wine: so an
// empty file of our own is first renamed over path, and then that file is deleted. Windows 95, 98
// and Me lack MoveFileExA, and links with it: there a plain deletion is the same thing.
int file_remove_name(const std::string& path) {
    typedef BOOL(WINAPI * MoveFileExFunction)(LPCSTR, LPCSTR, DWORD);
    static const MoveFileExFunction move_file_ex =
        optional_function<MoveFileExFunction>(GetModuleHandleA("kernel32.dll"), "MoveFileExA");
    if (!move_file_ex) return DeleteFileA(path.c_str()) ? 1 : 0;
    const std::string folder = folder_of(path);
    char stand_in[MAX_PATH];
    if (!GetTempFileNameA(folder.empty() ? "." : folder.c_str(), "kv", 0, stand_in)) return 0;
    if (!move_file_ex(stand_in, path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        const bool missing = GetLastError() == ERROR_CALL_NOT_IMPLEMENTED;
        DeleteFileA(stand_in);
        return missing && DeleteFileA(path.c_str()) ? 1 : 0;
    }
    return DeleteFileA(path.c_str()) ? 1 : 0;
}

int file_move(const std::string& from, const std::string& to) {
    return MoveFileA(from.c_str(), to.c_str()) ? 1 : 0;
}

int file_create(int number, const std::string& path) {
    return open_numbered(number, path, GENERIC_WRITE, CREATE_ALWAYS);
}

int file_open_update(int number, const std::string& path) {
    return open_numbered(number, path, GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS);
}

int file_open_read(int number, const std::string& path) {
    return open_numbered(number, path, GENERIC_READ, OPEN_EXISTING);
}

void file_close(int number) {
    close_number(number);
}

int32_t file_size() {
    if (!current_file) return -1;
    DWORD size = GetFileSize(current_file, nullptr);
    return int32_t(size);
}

uint32_t file_read_data(void* buffer, uint32_t count) {
    if (!current_file || !buffer || count == 0) return 0;
    DWORD got = 0;
    if (!ReadFile(current_file, buffer, count, &got, nullptr)) return 0;
    return got;
}

std::string file_read_line() {
    std::string line;
    if (!current_file) return line;
    // Read in chunks and step the file position back over what the line did not use: the same
    // position as reading byte by byte, at a fraction of the calls.
    char chunk[512];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(current_file, chunk, sizeof chunk, &got, nullptr)) got = 0;
        LineScan scan = scan_line(chunk, got, got < sizeof chunk);
        size_t room = kMaxLineLength - line.size();
        if (scan.length > room) scan = {true, room, room}; // the rest comes with the next read
        line.append(chunk, scan.length);
        LONG unused = LONG(got - scan.consumed);
        if (unused) SetFilePointer(current_file, -unused, nullptr, FILE_CURRENT);
        if (scan.complete || got == 0) return line;
    }
}

int file_write_data(const void* buffer, uint32_t count) {
    if (!current_file || !buffer || count == 0) return 0;
    DWORD written;
    return write_all(buffer, count, &written) ? 1 : 0;
}

int file_write_line(const std::string& text) {
    if (!current_file) return 0;
    std::string line = text + "\r\n";
    DWORD written;
    write_all(line.data(), DWORD(line.size()), &written);
    return int(written);
}

uintptr_t run_program(const std::string& program, const std::string& parameters,
                      const std::string& working_folder, int flags) {
    std::string folder = working_folder.empty() ? program_folder(program) : working_folder;
    SHELLEXECUTEINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.lpVerb = "Open";
    info.lpFile = program.c_str();
    info.lpParameters = parameters.c_str();
    info.lpDirectory = folder.empty() ? nullptr : folder.c_str();
    info.nShow = (flags & 2) ? SW_HIDE : SW_SHOWNORMAL;
    enter_installer_folder();
    if (!ShellExecuteExA(&info)) return 0;
    if (!info.hProcess) return 1;
    if (flags & 1) WaitForSingleObject(info.hProcess, INFINITE);
    return uintptr_t(info.hProcess);
}
