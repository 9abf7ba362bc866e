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

namespace {
std::string part_of(const std::string& path) {
    return path + ".part";
}
} // namespace

bool write_file_part(const std::string& path, const std::vector<uint8_t>& bytes, std::string& err) {
    const std::string temp = part_of(path);
    FILE* f = std::fopen(temp.c_str(), "wb");
    if (!f) {
        err = std::strerror(errno);
        return false;
    }
    bool ok = (bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size());
    ok = (std::fclose(f) == 0) && ok;
    if (!ok) {
        err = std::strerror(errno);
        std::remove(temp.c_str());
    }
    return ok;
}

bool commit_file(const std::string& path, std::string& err) {
    if (std::rename(part_of(path).c_str(), path.c_str()) == 0) return true;
    err = std::strerror(errno);
    discard_file(path);
    return false;
}

void discard_file(const std::string& path) {
    std::remove(part_of(path).c_str());
}

bool write_file(const std::string& path, const std::vector<uint8_t>& bytes, std::string& err) {
    return write_file_part(path, bytes, err) && commit_file(path, err);
}

std::string base_name(const std::string& path) {
    size_t cut = path.find_last_of("/\\");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}
