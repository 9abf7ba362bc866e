// The decoder as the format reads: one bit at a time through a 32-bit register with an end
// marker, every output byte copied singly. Slow on purpose; the fast decoder is tested against it.
#include "payload/stream_format.h"
#include "payload/little_endian.h"

namespace {

// Words are taken by count, not up to an end pointer that a 32-bit build could wrap.
struct BitSource {
    const uint8_t* next;
    size_t words_left;
    uint32_t reg = 0x80000000u; // only the marker: the first read loads a word
    bool overrun = false;

    int bit() {
        uint32_t b = reg >> 31;
        reg <<= 1;
        if (reg != 0) return int(b);
        if (words_left == 0) {
            overrun = true;
            return 0;
        }
        uint32_t w = read_le32(next);
        next += 4;
        --words_left;
        reg = (w << 1) | 1;
        return int(w >> 31);
    }
    uint32_t bits(int k) {
        uint32_t v = 0;
        while (k-- > 0)
            v = (v << 1) | uint32_t(bit());
        return v;
    }
    // 0 stands for a number too large for any real stream.
    uint32_t gamma() {
        uint32_t v = 1;
        do {
            if (v >= 0x40000000u) return 0;
            v = (v << 1) | uint32_t(bit());
        } while (bit() && !overrun);
        return v;
    }
};

} // namespace

uint32_t stream_decode_reference(const uint8_t* source, size_t source_length, uint8_t* destination,
                                 size_t capacity) {
    if (!destination || !is_stream(source, source_length)) return 0;
    const uint32_t declared = read_le32(source + 2);
    const uint32_t check = read_le32(source + 6);
    if (declared > kMaxDeclaredSize) return 0;
    const size_t limit = declared < capacity ? declared : capacity;

    BitSource in{source + kStreamHeaderSize, (source_length - kStreamHeaderSize) / 4};
    size_t out = 0;
    uint32_t offset_width = 8, last_offset = 1, literal_width = 8;
    uint8_t bias = 0;

    auto put = [&](uint8_t byte) {
        if (out >= limit) return false;
        destination[out++] = byte;
        return true;
    };
    auto copy = [&](uint32_t distance, uint32_t length) {
        if (distance == 0 || distance > out) return false;
        while (length--)
            if (!put(destination[out - distance])) return false;
        return true;
    };

    for (;;) {
        if (in.overrun) return 0;
        if (in.bit()) {
            if (!put(uint8_t(in.bits(int(literal_width)) + bias))) return 0;
        } else if (in.bit()) {
            uint32_t g = in.gamma();
            if (g == 0) return 0;
            if (g == 2) {
                uint32_t n = in.gamma();
                if (n == 0 || in.overrun || !copy(last_offset, n)) return 0;
            } else {
                if (g - 3 > (0xFFFFFFFFu >> offset_width)) return 0;
                uint32_t d = ((g - 3) << offset_width) | in.bits(int(offset_width));
                last_offset = d;
                uint32_t n = in.gamma();
                if (n == 0) return 0;
                if (d >= 0x10000)
                    n += 3;
                else if (d >= 0x37FF)
                    n += 2;
                else if (d >= 0x27F)
                    n += 1;
                else if (d <= 0x7F)
                    n += 4;
                if (in.overrun || !copy(d, n)) return 0;
            }
        } else if (in.bit()) {
            uint32_t k = in.bits(4);
            if (k == 1) {
                if (in.overrun || !put(0)) return 0;
            } else if (k >= 2) {
                if (in.overrun || !copy(k - 1, 1)) return 0;
            } else if (in.bit()) {
                do {
                    for (int i = 0; i < 256; ++i)
                        if (!put(uint8_t(in.bits(8))) || in.overrun) return 0;
                } while (in.bit());
            } else {
                literal_width = 7 + uint32_t(in.bit());
                bias = literal_width == 7 ? uint8_t(in.bits(8)) : 0;
            }
        } else {
            uint32_t d = in.bits(7);
            uint32_t m = in.bits(2);
            if (in.overrun) return 0;
            if (d != 0) {
                last_offset = d;
                if (!copy(d, m + 2)) return 0;
            } else if (m == 0) {
                break;
            } else {
                offset_width = in.bits(int(m) + 3);
                if (offset_width == 0 || offset_width >= 32) return 0;
            }
        }
    }
    if (in.overrun) return 0;
    // A stream that ends early leaves part of the declared size unwritten: that is a damaged
    // stream, not a short file.
    if (out != declared) return 0;
    if (check != 0 && stream_checksum(destination, declared) != check) return 0;
    return uint32_t(out);
}
