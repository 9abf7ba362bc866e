// 32-bit little-endian numbers in byte buffers: entry headers, stream headers and the stream's
// bit words. One reader for all of them, so that the installer, the packer and the tests agree.
#pragma once
#include <cstdint>
#include <cstring>

// A plain copy compiles to one load on the little-endian machines we build for; the decoder's
// inner loop reads every word through it.
inline uint32_t read_le32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    v = __builtin_bswap32(v);
#endif
    return v;
}

inline void write_le32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = uint8_t(v >> (8 * i));
}
