// Arbitrary bytes as the pack file, read entry by entry as the installer reads it: a header, the
// checks on its sizes, room for the unpacked bytes plus one, the packed bytes, then entry 0's
// names and the test that keeps each inside the target folder. The sanitizers judge the reading;
// the checks here judge what the reader hands on.
#include "payload/pack_format.h"
#include "payload/stream_format.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Entries that would make the reader allocate more than this are passed over unread: a real
// stream never grows beyond its few-thousandfold expansion, and hundreds of megabytes per run
// would slow the search to a crawl. Their sizes still go through the checks above.
constexpr uint32_t kRoomPerRun = 4u << 20;

void check_names(const uint8_t* bytes, size_t length) {
    for (const std::string& name : parse_file_name_list(bytes, length)) {
        if (name.size() > length || name.find('\r') != std::string::npos ||
            name.find('\0') != std::string::npos)
            std::abort();
        if (!is_bare_file_name(name)) continue;
        // A name that passes may not leave the folder it is put behind.
        if (name.find_first_of("\\/:") != std::string::npos || name == "." || name == "..")
            std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    size_t at = 0;
    for (int entry = 0; size - at >= kEntryHeaderSize; ++entry) {
        const EntryHeader header = parse_entry_header(data + at);
        at += kEntryHeaderSize;
        const size_t left = size - at;
        if (!entry_sizes_allowed(header) || header.packed_size > left) return 0;
        if (header.unpacked_size > kRoomPerRun) {
            at += header.packed_size;
            continue;
        }
        // As the installer does: a stored entry is read straight into its own room.
        std::vector<uint8_t> room(size_t(header.unpacked_size) + 1);
        std::vector<uint8_t> packed_room;
        uint8_t* packed = room.data();
        if (!entry_is_stored(header)) {
            packed_room.resize(size_t(header.packed_size) + 1);
            packed = packed_room.data();
        }
        std::memcpy(packed, data + at, header.packed_size);
        at += header.packed_size;
        if (!unpack_entry(header, packed, room.data())) return 0;
        if (entry_is_stored(header) &&
            std::memcmp(room.data(), data + at - header.packed_size, header.packed_size) != 0)
            std::abort();
        if (entry == 0) check_names(room.data(), header.unpacked_size);
    }
    return 0;
}
