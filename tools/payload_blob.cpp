#include "payload_blob.h"

#include "stream_encode.h"
#include "payload/stream_format.h"

namespace {

void put_le32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(uint8_t(v >> (8 * i)));
}
uint32_t get_le32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

bool add_entry(const std::string& what, const std::vector<uint8_t>& bytes, int level,
               std::vector<uint8_t>& blob, std::string& err) {
    if (bytes.size() > 0xFFFFFFFFu) {
        err = what + ": too large for a payload entry (4 GiB at most)";
        return false;
    }
    std::vector<uint8_t> packed = stream_encode(bytes.data(), bytes.size(), level);
    // The reader takes equal sizes as stored bytes, so a stream must come out strictly smaller.
    if (packed.size() >= bytes.size()) {
        packed = bytes;
    } else {
        std::vector<uint8_t> check(bytes.size());
        uint32_t got = stream_decode(packed.data(), packed.size(), check.data(), check.size());
        if (got != bytes.size() || check != bytes) {
            err = what + ": compressed stream does not decode back (compressor fault)";
            return false;
        }
    }
    put_le32(blob, uint32_t(bytes.size()));
    put_le32(blob, uint32_t(packed.size()));
    blob.insert(blob.end(), packed.begin(), packed.end());
    return true;
}

} // namespace

bool is_safe_file_name(const std::string& name) {
    if (name.empty() || name == "." || name == "..") return false;
    for (unsigned char c : name)
        if (c < 32 || c == '/' || c == '\\' || c == ':' || c == '*' || c == '?' || c == '"' ||
            c == '<' || c == '>' || c == '|')
            return false;
    return true;
}

bool build_blob(const std::vector<BlobFile>& files, int level, std::vector<uint8_t>& blob,
                std::string& err) {
    blob.clear();
    std::vector<uint8_t> list;
    for (const BlobFile& f : files) {
        if (!is_safe_file_name(f.name)) {
            err = f.name + ": not usable as a file name in the payload";
            return false;
        }
        list.insert(list.end(), f.name.begin(), f.name.end());
        list.push_back('\r');
        list.push_back('\n');
    }
    if (!add_entry("file-name list", list, level, blob, err)) return false;
    for (const BlobFile& f : files)
        if (!add_entry(f.name, f.bytes, level, blob, err)) return false;
    return true;
}

bool split_blob(const uint8_t* blob, size_t size, std::vector<BlobEntry>& entries,
                std::string& err) {
    entries.clear();
    size_t at = 0;
    while (at < size) {
        if (size - at < kBlobEntryHeader) {
            err = "truncated entry header at offset " + std::to_string(at);
            return false;
        }
        BlobEntry e{get_le32(blob + at), get_le32(blob + at + 4), at + kBlobEntryHeader};
        if (size - e.offset < e.packed) {
            err = "entry " + std::to_string(entries.size()) + " at offset " + std::to_string(at) +
                  " runs past the end";
            return false;
        }
        entries.push_back(e);
        at = e.offset + e.packed;
    }
    return true;
}

bool read_blob_entry(const uint8_t* blob, const BlobEntry& entry, std::vector<uint8_t>& bytes,
                     std::string& err) {
    const uint8_t* packed = blob + entry.offset;
    if (entry.stored()) {
        bytes.assign(packed, packed + entry.packed);
        return true;
    }
    if (stream_unpacked_size(packed, entry.packed) != entry.unpacked) {
        err = "stream header does not match the entry's unpacked size";
        return false;
    }
    bytes.assign(entry.unpacked, 0);
    if (stream_decode(packed, entry.packed, bytes.data(), bytes.size()) != entry.unpacked) {
        err = "corrupt compressed stream";
        return false;
    }
    return true;
}

bool parse_name_list(const std::vector<uint8_t>& text, std::vector<std::string>& names,
                     std::string& err) {
    names.clear();
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r') continue;
        if (i + 1 >= text.size() || text[i + 1] != '\n') {
            err = "file-name list has a CR without LF";
            return false;
        }
        names.emplace_back(text.begin() + long(start), text.begin() + long(i));
        start = i + 2;
        ++i;
    }
    if (start != text.size()) {
        err = "file-name list does not end with CR LF";
        return false;
    }
    return true;
}
