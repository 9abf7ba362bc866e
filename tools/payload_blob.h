// The payload blob: entries of (unpacked size, packed size, packed bytes) back to back, entry 0
// the list of file names (each followed by CR LF), then one entry per named file. An entry whose
// two sizes are equal holds its bytes as they are. Names, entries and the list are checked by the
// installer's own rules (payload/pack_format.h), so that what packs also installs.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>
#include "payload/pack_format.h"

struct BlobFile {
    std::string name; // bare file name
    std::vector<uint8_t> bytes;
};

struct BlobEntry {
    uint32_t unpacked;
    uint32_t packed;
    size_t offset; // of the packed bytes within the blob
    EntryHeader header() const { return EntryHeader{unpacked, packed}; }
    bool stored() const { return entry_is_stored(header()); }
};

// Compresses every file (stored where that is not smaller) and checks each stream by decoding
// it again. Every name must be one the installer writes (is_bare_file_name). On failure err
// names the file.
bool build_blob(const std::vector<BlobFile>& files, int level, std::vector<uint8_t>& blob,
                std::string& err);

// Decodes a whole stream into bytes, growing the buffer only as far as the stream really writes:
// a few bytes that declare a huge size cost no more memory than what they decode. A declared size
// above kMaxDeclaredSize is refused before anything is allocated. On failure err says why.
bool decode_stream(const uint8_t* stream, size_t length, std::vector<uint8_t>& bytes,
                   std::string& err);

// Splits the blob into entries; fails on a truncated entry.
bool split_blob(const uint8_t* blob, size_t size, std::vector<BlobEntry>& entries,
                std::string& err);
// The entry's bytes, by the installer's rule (unpack_entry), decoded as decode_stream does.
bool read_blob_entry(const uint8_t* blob, const BlobEntry& entry, std::vector<uint8_t>& bytes,
                     std::string& err);
// The names of entry 0 as the installer reads them (parse_file_name_list), but strictly: a list
// that the installer would read differently from what it says (text after the last CR LF, a CR
// without LF, a zero byte) is an error, since it would lose or change a name unnoticed.
bool parse_name_list(const std::vector<uint8_t>& text, std::vector<std::string>& names,
                     std::string& err);
