// Whole-file reads for the host tools.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Reads the whole file; on failure returns false with the system's reason in err.
bool read_file(const std::string& path, std::vector<uint8_t>& bytes, std::string& err);
