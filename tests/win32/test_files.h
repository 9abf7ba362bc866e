// File helpers shared by the Win32 tests that compare what was written on disk.
#pragma once
#include <windows.h>
#include <cstdio>
#include <string>

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

inline bool exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Creates root + name (root ends in "\") and gives it back with its final "\".
inline std::string make_folder_in(const std::string& root, const std::string& name) {
    std::string path = root + name;
    CreateDirectoryA(path.c_str(), nullptr);
    return path + "\\";
}
