// Whole-file reads and writes and file names, for the host tools.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Reads the whole file; on failure returns false with the system's reason in err.
bool read_file(const std::string& path, std::vector<uint8_t>& bytes, std::string& err);

// Writes through a temporary name beside path, so that a failed run never leaves a partial
// output behind; on failure returns false with the system's reason in err.
bool write_file(const std::string& path, const std::vector<uint8_t>& bytes, std::string& err);

// The two halves of write_file, for outputs that must appear together or not at all: the bytes
// go to the temporary name (path + ".part"), which commit_file renames to path and discard_file
// removes.
bool write_file_part(const std::string& path, const std::vector<uint8_t>& bytes, std::string& err);
bool commit_file(const std::string& path, std::string& err);
void discard_file(const std::string& path);

// The path's last part (after the last '/' or '\').
std::string base_name(const std::string& path);
