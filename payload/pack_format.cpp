#include "payload/pack_format.h"
#include <cstring>
#include "payload/little_endian.h"
#include "payload/stream_format.h"
#include "services/text_rules.h"

EntryHeader parse_entry_header(const uint8_t* bytes) {
    return EntryHeader{read_le32(bytes), read_le32(bytes + 4)};
}

bool entry_sizes_allowed(const EntryHeader& header) {
    return header.unpacked_size <= kMaxDeclaredSize && header.packed_size <= kMaxDeclaredSize;
}

bool unpack_entry(const EntryHeader& header, const uint8_t* packed, uint8_t* bytes) {
    if (!entry_sizes_allowed(header)) return false;
    if (entry_is_stored(header)) {
        if (packed != bytes && header.packed_size > 0)
            std::memcpy(bytes, packed, header.packed_size);
        return true;
    }
    return stream_decode_exact(packed, header.packed_size, bytes, header.unpacked_size);
}

std::vector<std::string> parse_file_name_list(const uint8_t* bytes, size_t length) {
    std::vector<std::string> names;
    if (!bytes) return names;
    const void* zero = std::memchr(bytes, 0, length);
    if (zero) length = static_cast<size_t>(static_cast<const uint8_t*>(zero) - bytes);
    std::string text(reinterpret_cast<const char*>(bytes), length);
    size_t start = 0;
    while (start < text.size()) {
        size_t cr = text.find('\r', start);
        if (cr == std::string::npos) break;
        names.push_back(text.substr(start, cr - start));
        // The list's lines end in CR LF; the LF is stepped over, not checked.
        start = cr + 2;
    }
    return names;
}

bool is_bare_file_name(const std::string& name) {
    if (name.empty()) return false;
    bool only_dots_and_blanks = true;
    for (unsigned char c : name) {
        if (c < 32 || std::strchr("\\/:*?\"<>|", c)) return false;
        if (c != '.' && c != ' ') only_dots_and_blanks = false;
    }
    // Windows drops trailing dots and blanks of a path's last part, so "..." or " " would name
    // the target folder itself; "." and ".." would leave it.
    if (only_dots_and_blanks) return false;
    char last = name.back();
    return last != '.' && last != ' ' && !is_device_name(name);
}

int64_t find_signature(const uint8_t* data, size_t length, const uint8_t* signature,
                       size_t signature_length) {
    if (!data || !signature || signature_length == 0 || length <= signature_length) return -1;
    const uint8_t first = signature[0];
    const size_t last_start = length - signature_length - 1;
    for (size_t i = 0; i <= last_start; ++i) {
        if (data[i] != first) continue;
        if (std::memcmp(data + i, signature, signature_length) == 0) return int64_t(i);
    }
    return -1;
}

size_t library_copy_length(size_t data_length, size_t position, size_t library_length) {
    if (position >= data_length) return 0;
    size_t available = data_length - position;
    return library_length < available ? library_length : available;
}
