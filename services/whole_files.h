// Files read or written whole: the uninstall log, WININIT.INI, the uninstaller's own program.
#pragma once
#include <cstdint>
#include <string>

// Far above any file read whole: the log is a few kilobytes, the program below 100 KB.
inline constexpr uint32_t kMaxWholeFileBytes = 16u << 20;

// The whole file, or false when it is missing, unreadable or larger than kMaxWholeFileBytes.
bool read_whole_file(const std::string& path, std::string& text);
// The whole of an open file from its start, or false (and nothing) when it is larger than
// max_bytes or cannot be read.
bool read_open_file(void* file, std::string& bytes, uint32_t max_bytes);
// Replaces the file's contents, creating it when missing. It is written over in place, so a
// shorter text (the remaining log) never needs room that the file did not have.
bool write_whole_file(const std::string& path, const std::string& text);

// Whether the folder holds nothing but "." and ".."; if_unreadable when it cannot be listed.
bool folder_is_empty(const std::string& path, bool if_unreadable);
