// Files in the Win32 tests: reading and writing whole files, what exists, the build's own files,
// and a file that behaves like a full disk.
#pragma once
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "test_linux.h"

// The whole file, or a marker naming it when it cannot be opened (so a comparison shows why).
inline std::string read_all(const std::string& path) {
    std::string bytes;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return "<missing " + path + ">";
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        bytes.append(buffer, n);
    std::fclose(f);
    return bytes;
}

inline void write_all(const std::string& path, const std::string& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return;
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

// A file or a folder.
inline bool exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

inline bool file_exists(const std::string& path) {
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

inline bool folder_exists(const std::string& path) {
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

// Creates root + name (root ends in "\") and gives it back with its final "\".
inline std::string make_folder_in(const std::string& root, const std::string& name) {
    std::string path = root + name;
    CreateDirectoryA(path.c_str(), nullptr);
    return path + "\\";
}

inline std::wstring widen(const std::string& text) {
    wchar_t wide[MAX_PATH];
    int n = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide, MAX_PATH);
    return n > 0 ? wide : L"";
}

// Whether an ANSI path names the place of a wide path, and in plain ASCII: the way to a folder
// named in letters the code page lacks, where its look-alike spelling would name another.
inline bool names(const std::string& path, const std::wstring& place) {
    for (unsigned char c : path)
        if (c >= 0x80) return false;
    wchar_t long_form[MAX_PATH];
    DWORD n = GetLongPathNameW(widen(path).c_str(), long_form, MAX_PATH);
    return n > 0 && n < MAX_PATH && place == long_form;
}

// The temp folder with its final "\".
inline std::string temp_folder_path() {
    char temp[MAX_PATH];
    DWORD n = GetTempPathA(MAX_PATH, temp);
    return n == 0 || n >= MAX_PATH ? std::string() : std::string(temp, n);
}

// A folder of this test run in the temp folder, named after the test and the process, with its
// final "\".
inline std::string make_run_folder(const std::string& test_name) {
    return make_folder_in(temp_folder_path(),
                          test_name + "-" + std::to_string(GetCurrentProcessId()));
}

// A file of the build (`relative` to KV_BUILD_DIR, which the test's ctest entry sets) as a
// Windows path through drive Z:, or "" when KV_BUILD_DIR is not set.
inline std::string built_file(const std::string& relative) {
    const char* build = std::getenv("KV_BUILD_DIR");
    if (!build) return std::string();
    std::string path = std::string("Z:") + build + "/" + relative;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

// A file that behaves like a full disk, for the tests of short writes: a Linux symbolic link to
// /dev/full, which Wine opens as a file that takes no byte (WriteFile fails with
// ERROR_DISK_FULL). Wine-only; elsewhere the answer is false.
inline bool make_full_disk_file(const std::string& windows_path) {
    std::string path = unix_path(windows_path);
    if (path.empty()) return false;
    LinuxRun link = run_linux_command("ln -s /dev/full '" + path + "'", 5000);
    if (!link.finished || link.status != 0) return false;
    HANDLE h = CreateFileA(windows_path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = WriteFile(h, "x", 1, &written, nullptr);
    CloseHandle(h);
    return !ok && written == 0;
}

// The files that the NT family deletes at its next start, oldest request first, as stored in
// PendingFileRenameOperations: pairs of texts (what, and where to), an empty destination meaning
// deletion; the paths carry the "\\??\\" prefix.
inline std::vector<std::string> pending_restart_deletions() {
    std::vector<std::string> deleted;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager", 0,
                      KEY_READ, &key) != ERROR_SUCCESS)
        return deleted;
    std::string data(65536, '\0');
    DWORD size = static_cast<DWORD>(data.size());
    LONG status = RegQueryValueExA(key, "PendingFileRenameOperations", nullptr, nullptr,
                                   reinterpret_cast<BYTE*>(&data[0]), &size);
    RegCloseKey(key);
    for (size_t at = 0; status == ERROR_SUCCESS && at < size && data[at] != '\0';) {
        std::string source = data.c_str() + at;
        at += source.size() + 1;
        std::string target = at < size ? data.c_str() + at : "";
        at += target.size() + 1;
        if (target.empty()) deleted.push_back(source);
    }
    return deleted;
}
