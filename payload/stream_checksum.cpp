#include "payload/stream_format.h"
#include "payload/little_endian.h"

namespace {
uint32_t mix(uint32_t sum, uint32_t word) {
    sum += word;
    return sum ^ (((word << 1) | (word >> 31)) + 1);
}
} // namespace

uint32_t stream_checksum(const uint8_t* bytes, size_t count) {
    if (!bytes || count < 4) return 0;
    uint32_t sum = 0;
    size_t i = 0;
    for (; i + 4 <= count; i += 4)
        sum = mix(sum, read_le32(bytes + i));
    // A ragged tail is covered by one more word that overlaps the previous one, so that every
    // byte counts without reading past the end.
    if (i < count) sum = mix(sum, read_le32(bytes + count - 4));
    return sum;
}

uint32_t stream_unpacked_size(const uint8_t* source, size_t source_length) {
    if (!is_stream(source, source_length)) return 0;
    return read_le32(source + 2);
}
