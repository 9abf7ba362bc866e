#include "file_bytes.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

bool read_file(const std::string& path, std::vector<uint8_t>& bytes, std::string& err) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        err = std::strerror(errno);
        return false;
    }
    bytes.clear();
    uint8_t chunk[1 << 16];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + n);
    bool ok = !std::ferror(f);
    if (!ok) err = std::strerror(errno);
    std::fclose(f);
    return ok;
}
