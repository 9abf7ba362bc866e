// Arbitrary bytes as a blob given to kvpack list or unpack, or as a stream given to kvpack
// decode: the blob is split into entries, entry 0 read as the strict name list and every entry
// decoded, as those commands do. Whatever is accepted must be what the installer reads too.
#include "payload_blob.h"
#include "payload/stream_format.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// As in the pack target: entries that declare more than this are not decoded, for speed.
constexpr uint32_t kRoomPerRun = 4u << 20;

void read_blob(const uint8_t* data, size_t size) {
    std::vector<BlobEntry> entries;
    std::string err;
    if (!split_blob(data, size, entries, err)) {
        if (err.empty()) std::abort();
        return;
    }
    size_t end = 0;
    for (const BlobEntry& e : entries) {
        if (e.offset != end + kEntryHeaderSize || e.offset > size || size - e.offset < e.packed)
            std::abort();
        end = e.offset + e.packed;
    }
    if (end != size) std::abort();
    for (size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].unpacked > kRoomPerRun) continue;
        std::vector<uint8_t> bytes;
        if (!read_blob_entry(data, entries[i], bytes, err)) continue;
        if (bytes.size() != entries[i].unpacked) std::abort();
        // The installer's own reading of the entry gives the same bytes.
        std::vector<uint8_t> room(bytes.size() + 1);
        if (!unpack_entry(entries[i].header(), data + entries[i].offset, room.data()) ||
            !std::equal(bytes.begin(), bytes.end(), room.begin()))
            std::abort();
        if (i != 0) continue;
        std::vector<std::string> names;
        if (parse_name_list(bytes, names, err) &&
            names != parse_file_name_list(bytes.data(), bytes.size()))
            std::abort();
    }
}

void read_stream(const uint8_t* data, size_t size) {
    if (stream_unpacked_size(data, size) > kRoomPerRun) return;
    std::vector<uint8_t> bytes;
    std::string err;
    if (!decode_stream(data, size, bytes, err)) return;
    if (bytes.size() != stream_unpacked_size(data, size)) std::abort();
    std::vector<uint8_t> room(bytes.size() + 1);
    if (!stream_decode_exact(data, size, room.data(), bytes.size()) ||
        !std::equal(bytes.begin(), bytes.end(), room.begin()))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    // The first byte picks the reader.
    if (data[0] & 1)
        read_stream(data + 1, size - 1);
    else
        read_blob(data + 1, size - 1);
    return 0;
}
