#include "payload_blob.h"

#include "payload/little_endian.h"
#include "payload/stream_format.h"
#include "stream_encode.h"

#include <algorithm>

// Room for a first try at a stream: what its own length suggests at a generous ratio, at least a
// megabyte. A stream that needs more is decoded again into twice the room.
constexpr size_t kFirstRoomMinimum = 1u << 20;
constexpr size_t kFirstRoomRatio = 16;

namespace {

void put_le32(std::vector<uint8_t>& out, uint32_t v) {
    uint8_t le[4];
    write_le32(le, v);
    out.insert(out.end(), le, le + 4);
}

bool add_entry(const std::string& what, const std::vector<uint8_t>& bytes, int level,
               std::vector<uint8_t>& blob, std::string& err) {
    if (bytes.size() > kMaxDeclaredSize) {
        err = what + ": too large for a payload entry (" + std::to_string(kMaxDeclaredSize >> 20) +
              " MiB at most)";
        return false;
    }
    std::vector<uint8_t> packed = stream_encode(bytes.data(), bytes.size(), level);
    // The reader takes equal sizes as stored bytes, so a stream must come out strictly smaller.
    if (packed.size() >= bytes.size()) {
        packed = bytes;
    } else {
        std::vector<uint8_t> check(bytes.size());
        if (!stream_decode_exact(packed.data(), packed.size(), check.data(), check.size()) ||
            check != bytes) {
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

bool build_blob(const std::vector<BlobFile>& files, int level, std::vector<uint8_t>& blob,
                std::string& err) {
    blob.clear();
    std::vector<uint8_t> list;
    for (const BlobFile& f : files) {
        if (!is_bare_file_name(f.name)) {
            err = f.name + ": the installer refuses this file name";
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
        if (size - at < kEntryHeaderSize) {
            err = "truncated entry header at offset " + std::to_string(at);
            return false;
        }
        const EntryHeader h = parse_entry_header(blob + at);
        BlobEntry e{h.unpacked_size, h.packed_size, at + kEntryHeaderSize};
        if (!entry_sizes_allowed(h)) {
            err = "entry " + std::to_string(entries.size()) + " at offset " + std::to_string(at) +
                  " declares more than the " + std::to_string(kMaxDeclaredSize >> 20) +
                  " MiB an entry may hold";
            return false;
        }
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

bool decode_stream(const uint8_t* stream, size_t length, std::vector<uint8_t>& bytes,
                   std::string& err) {
    if (!is_stream(stream, length)) {
        err = "not a compressed stream (no \"JC\" header)";
        return false;
    }
    const uint32_t declared = stream_unpacked_size(stream, length);
    if (declared > kMaxDeclaredSize) {
        err = "the stream declares " + std::to_string(declared) + " bytes, more than the " +
              std::to_string(kMaxDeclaredSize >> 20) + " MiB a stream may hold";
        return false;
    }
    size_t room = std::min<size_t>(declared, std::max(kFirstRoomMinimum, length * kFirstRoomRatio));
    for (;;) {
        bytes.resize(std::max<size_t>(room, 1)); // somewhere to point at, for a stream of 0 bytes
        const StreamOutcome outcome = stream_decode_bounded(stream, length, bytes.data(), room);
        if (outcome == StreamOutcome::kDone) {
            bytes.resize(declared);
            return true;
        }
        if (outcome == StreamOutcome::kBad || room == declared) {
            err = "corrupt compressed stream";
            return false;
        }
        room = std::min<size_t>(declared, room * 2);
    }
}

bool read_blob_entry(const uint8_t* blob, const BlobEntry& entry, std::vector<uint8_t>& bytes,
                     std::string& err) {
    const uint8_t* packed = blob + entry.offset;
    if (!entry_sizes_allowed(entry.header())) {
        err = "the entry declares more than the " + std::to_string(kMaxDeclaredSize >> 20) +
              " MiB an entry may hold";
        return false;
    }
    if (entry.stored()) {
        bytes.assign(packed, packed + entry.packed);
        return true;
    }
    if (stream_unpacked_size(packed, entry.packed) != entry.unpacked) {
        err = "stream header does not match the entry's unpacked size";
        return false;
    }
    return decode_stream(packed, entry.packed, bytes, err);
}

bool parse_name_list(const std::vector<uint8_t>& text, std::vector<std::string>& names,
                     std::string& err) {
    names = parse_file_name_list(text.data(), text.size());
    std::string said;
    for (const std::string& name : names)
        said += name + "\r\n";
    if (said.size() != text.size() || !std::equal(said.begin(), said.end(), text.begin())) {
        err = "file-name list is not names each followed by CR LF (the installer would read " +
              std::to_string(names.size()) + " names from it)";
        return false;
    }
    return true;
}
