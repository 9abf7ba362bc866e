#include "services/whole_files.h"

#include <windows.h>
#include <cstring>

bool folder_is_empty(const std::string& path, bool if_unreadable) {
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((path + "\\*.*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return if_unreadable;
    bool empty = true;
    do {
        if (std::strcmp(entry.cFileName, ".") != 0 && std::strcmp(entry.cFileName, "..") != 0)
            empty = false;
    } while (empty && FindNextFileA(find, &entry));
    FindClose(find);
    return empty;
}

bool read_open_file(HANDLE file, std::string& bytes, uint32_t max_bytes) {
    bytes.clear();
    DWORD high = 0;
    DWORD size = GetFileSize(file, &high);
    bool ok = size != INVALID_FILE_SIZE && high == 0 && size <= max_bytes &&
              SetFilePointer(file, 0, nullptr, FILE_BEGIN) == 0;
    if (ok) {
        bytes.assign(size, '\0');
        DWORD done = 0;
        while (ok && done < size) {
            DWORD got = 0;
            ok = ReadFile(file, &bytes[done], size - done, &got, nullptr) && got != 0;
            done += got;
        }
    }
    if (!ok) bytes.clear();
    return ok;
}

bool read_whole_file(const std::string& path, std::string& text) {
    text.clear();
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool ok = read_open_file(file, text, kMaxWholeFileBytes);
    CloseHandle(file);
    return ok;
}

bool write_whole_file(const std::string& path, const std::string& text) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD done = 0;
    bool ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &done, nullptr) &&
              done == text.size() && SetEndOfFile(file);
    CloseHandle(file);
    return ok;
}
