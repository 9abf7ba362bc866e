// Arbitrary bytes through the compressor at a level taken from the input, then both decoders:
// the bytes must come back unchanged, and the stream must have the form the payload expects.
#include "stream_encode.h"
#include "payload/stream_format.h"

#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const int level = 1 + data[0] % 9;
    ++data, --size;
    std::vector<uint8_t> stream = stream_encode(data, size, level);
    if ((stream.size() - kStreamHeaderSize) % 4 != 0) std::abort();
    if (stream_unpacked_size(stream.data(), stream.size()) != size) std::abort();
    std::vector<uint8_t> fast(size), slow(size);
    // The exact form also judges an empty input's stream, whose byte count says nothing.
    if (!stream_decode_exact(stream.data(), stream.size(), fast.data(), size)) std::abort();
    if (stream_decode_reference(stream.data(), stream.size(), slow.data(), size) != size &&
        size != 0)
        std::abort();
    for (size_t i = 0; i < size; ++i)
        if (fast[i] != data[i] || slow[i] != data[i]) std::abort();
    return 0;
}
