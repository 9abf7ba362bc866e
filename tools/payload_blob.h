// The payload blob: entries of (unpacked size, packed size, packed bytes) back to back, entry 0
// the list of file names (each followed by CR LF), then one entry per named file. An entry whose
// two sizes are equal holds its bytes as they are.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

inline constexpr size_t kBlobEntryHeader = 8;

struct BlobFile {
    std::string name; // bare file name
    std::vector<uint8_t> bytes;
};

struct BlobEntry {
    uint32_t unpacked;
    uint32_t packed;
    size_t offset; // of the packed bytes within the blob
    bool stored() const { return unpacked == packed; }
};

// A name the installer can put behind its target folder: not empty, no folder part, no "..",
// no characters that Windows refuses or that would break the CR LF list.
bool is_safe_file_name(const std::string& name);

// Compresses every file (stored where that is not smaller) and checks each stream by decoding
// it again. On failure err names the file.
bool build_blob(const std::vector<BlobFile>& files, int level, std::vector<uint8_t>& blob,
                std::string& err);

// Splits the blob into entries; fails on a truncated entry.
bool split_blob(const uint8_t* blob, size_t size, std::vector<BlobEntry>& entries,
                std::string& err);
// The entry's bytes: copied when stored, decoded and checked otherwise.
bool read_blob_entry(const uint8_t* blob, const BlobEntry& entry, std::vector<uint8_t>& bytes,
                     std::string& err);
// The names of entry 0. Unlike the installer's lenient reading, text after the last CR LF or a
// lone CR is an error here: a list that loses a name must not pass unnoticed.
bool parse_name_list(const std::vector<uint8_t>& text, std::vector<std::string>& names,
                     std::string& err);
