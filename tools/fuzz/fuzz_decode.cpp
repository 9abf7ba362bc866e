// Arbitrary bytes as a stream: neither decoder may read or write outside its buffers, and the
// two must agree on the result and, on success, on every byte.
#include "payload/little_endian.h"
#include "payload/stream_format.h"

#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    // The first two bytes pick the capacity, so that it is sometimes below the declared size.
    size_t capacity = size_t(data[0]) << 8 | data[1];
    std::vector<uint8_t> stream(data + 2, data + size);
    if (stream.size() >= 2) stream[0] = kStreamMagic[0], stream[1] = kStreamMagic[1];
    // A declared size above the capacity is a case of its own; keep most inputs realistic.
    if (stream.size() >= 6 && (data[0] & 1)) write_le32(stream.data() + 2, uint32_t(capacity));
    std::vector<uint8_t> fast(capacity), slow(capacity);
    uint32_t a = stream_decode(stream.data(), stream.size(), fast.data(), capacity);
    uint32_t b = stream_decode_reference(stream.data(), stream.size(), slow.data(), capacity);
    if (a != b) std::abort();
    if (a != 0 && std::memcmp(fast.data(), slow.data(), a) != 0) std::abort();
    return 0;
}
