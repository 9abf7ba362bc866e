// The payload blob's format, free of any file access: entry headers and contents, the file-name
// list of entry 0, the check that a listed name stays inside the target folder, and the search
// for the library signature inside the authoring tool. The installer and kvpack both build on
// these rules, so that a blob the packer accepts is one the installer can install.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>
#include "log/product.h"

inline constexpr size_t kEntryHeaderSize = 8;
// The sound library (kLibraryFileName) is cut out of this installed file.
inline constexpr const char* kLibraryHostName = kProducerExe;
inline constexpr const char* kPackFileName = "Kavento.pac";

struct EntryHeader {
    uint32_t unpacked_size;
    uint32_t packed_size;
};

// Two unsigned 32-bit little-endian numbers: unpacked size, then packed size.
EntryHeader parse_entry_header(const uint8_t* bytes);
// An entry whose sizes agree carries its bytes as they are; any other entry is a stream.
inline bool entry_is_stored(const EntryHeader& header) {
    return header.unpacked_size == header.packed_size;
}

// Neither size above kMaxDeclaredSize: only then may a reader allocate for the entry. Checked
// before anything else, so that a size near 4 GiB never reaches an allocation or a bound.
bool entry_sizes_allowed(const EntryHeader& header);

// Fills bytes (room for header.unpacked_size) from the entry's packed bytes: a stored entry is
// copied (nothing to do when packed is bytes), a stream must decode to exactly the unpacked size
// with its end token and a matching check value. A stream of 0 bytes is an empty entry. False
// for sizes that are not allowed.
bool unpack_entry(const EntryHeader& header, const uint8_t* packed, uint8_t* bytes);

// The names of entry 0, in order. Every name ends at a CR; the byte after the CR (the LF) is
// skipped unseen; text after the last CR is not a name; a zero byte ends the text early.
std::vector<std::string> parse_file_name_list(const uint8_t* bytes, size_t length);

// True for a name that, put behind the target folder, names a file directly inside it: not empty,
// no folder separator or drive colon, not "." or "..", nothing Windows would strip or refuse, and
// no device.
bool is_bare_file_name(const std::string& name);

// Offset of the first place in data where the whole signature occurs, or -1. The starts tried
// run from 0 up to and including length - signature_length - 1: a signature that ends flush with
// the data's last byte is not looked for, since the library it begins cannot follow it there.
// Nothing past data + length is read.
int64_t find_signature(const uint8_t* data, size_t length, const uint8_t* signature,
                       size_t signature_length);

// How many library bytes can be copied from position on: the library's length, or fewer when the
// file ends sooner.
size_t library_copy_length(size_t data_length, size_t position, size_t library_length);
