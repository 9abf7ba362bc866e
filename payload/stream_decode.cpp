// The fast decoder. The bit reader keeps up to 64 unread bits left-aligned in one register and
// refills a whole 32-bit word whenever 32 or fewer remain, so a token never needs more than one
// refill test; gamma numbers are taken four bit pairs at a time through a 256-entry table.
//
// Past the last word the reader shifts in zero words and counts them: zero bits always end a
// token within a few bits (a gamma pair 0,0 stops, and 0,0,0 + seven zeros + 0,0 is the end
// token), so a truncated stream runs into an end token made of missing bits, and that is caught
// by comparing the count. Every write is checked against the room left before it happens. Room
// and history are counts from the destination's start and input is a count of words left: an
// end pointer such as destination + capacity could wrap in a 32-bit build, and every bound would
// then pass.
#include "payload/stream_format.h"
#include "payload/little_endian.h"

#include <array>
#include <cstring>

namespace {

// Per entry, from the top 8 bits: the value bits of up to four gamma pairs (low 4 bits), how
// many pairs they were (bits 4-6) and whether the last of them ended the number (bit 7).
constexpr std::array<uint8_t, 256> make_gamma_table() {
    std::array<uint8_t, 256> t{};
    for (int byte = 0; byte < 256; ++byte) {
        int value = 0, pairs = 0, done = 0;
        for (int pair = 0; pair < 4; ++pair) {
            int data = (byte >> (7 - 2 * pair)) & 1;
            int more = (byte >> (6 - 2 * pair)) & 1;
            value = value * 2 + data;
            ++pairs;
            if (!more) {
                done = 1;
                break;
            }
        }
        t[byte] = uint8_t(value | pairs << 4 | done << 7);
    }
    return t;
}
constexpr std::array<uint8_t, 256> kGammaTable = make_gamma_table();
static_assert(kGammaTable[0x00] == (0 | 1 << 4 | 1 << 7), "0,0 is the number 2");
static_assert(kGammaTable[0x60] == (1 | 2 << 4 | 1 << 7), "0,1,1,0 is the number 5");

// Gamma numbers of a real stream stay far below this; larger ones are rejected before they
// could overflow.
constexpr uint32_t kGammaLimit = 1u << 27;
// Zero words supplied past the end before the reader gives up on a stream.
constexpr int kMaxMissingBits = 128;

// Forward copy with the byte-by-byte meaning of an overlapping match. Wide stores may run up to
// 15 bytes past the match, so they are used only when that much room is left.
inline void copy_match(uint8_t* op, size_t distance, size_t length, size_t room) {
    const uint8_t* from = op - distance;
    uint8_t* const end = op + length;
    if (room - length >= 16) {
        if (distance >= 16) {
            do {
                std::memcpy(op, from, 16);
                op += 16;
                from += 16;
            } while (op < end);
            return;
        }
        if (distance >= 8) {
            do {
                std::memcpy(op, from, 8);
                op += 8;
                from += 8;
            } while (op < end);
            return;
        }
    }
    if (distance == 1) {
        std::memset(op, *from, length);
        return;
    }
    while (op < end)
        *op++ = *from++;
}

// The whole decode of a stream whose header is there (is_stream) into a destination that is not
// null. kDone when the end token came after exactly the declared size and the check value
// matched; the caller turns that into its own result.
StreamOutcome decode(const uint8_t* source, size_t source_length, uint8_t* destination,
                     size_t capacity) {
    const uint32_t declared = read_le32(source + 2);
    const uint32_t check = read_le32(source + 6);
    if (declared > kMaxDeclaredSize) return StreamOutcome::kBad;
    const size_t limit = declared < capacity ? declared : capacity;

    const uint8_t* in = source + kStreamHeaderSize;
    size_t words_left = (source_length - kStreamHeaderSize) / 4;
    uint8_t* op = destination;
    uint8_t* const out_start = destination;

    uint64_t buf = 0;
    int count = 0;
    int missing = 0; // zero bits supplied past the end of the source
    uint32_t offset_width = 8, last_offset = 1;
    // Until the stream sets them: 8-bit literals without bias.
    uint32_t literal_shift = 64 - 8, literal_bits = 1 + 8;
    uint32_t bias = 0;

#define BITS_REFILL()                                                                              \
    do {                                                                                           \
        if (count <= 32) {                                                                         \
            if (words_left != 0) {                                                                 \
                buf |= uint64_t(read_le32(in)) << (32 - count);                                    \
                in += 4;                                                                           \
                --words_left;                                                                      \
            } else {                                                                               \
                missing += 32;                                                                     \
                if (missing > kMaxMissingBits) goto fail;                                          \
            }                                                                                      \
            count += 32;                                                                           \
        }                                                                                          \
    } while (0)
#define WRITTEN() size_t(op - out_start)
#define ROOM() (limit - WRITTEN())
#define BITS_PEEK(k) uint32_t(buf >> (64 - (k)))
#define BITS_DROP(k)                                                                               \
    do {                                                                                           \
        buf <<= (k);                                                                               \
        count -= (k);                                                                              \
    } while (0)
#define BITS_GAMMA(var)                                                                            \
    do {                                                                                           \
        uint32_t g_ = 1;                                                                           \
        for (;;) {                                                                                 \
            if (count < 8) BITS_REFILL();                                                          \
            uint32_t e_ = kGammaTable[buf >> 56];                                                  \
            uint32_t pairs_ = (e_ >> 4) & 7;                                                       \
            g_ = (g_ << pairs_) | (e_ & 15);                                                       \
            BITS_DROP(2 * pairs_);                                                                 \
            if (e_ & 0x80) break;                                                                  \
            if (g_ >= kGammaLimit) goto fail;                                                      \
        }                                                                                          \
        var = g_;                                                                                  \
    } while (0)

    for (;;) {
        BITS_REFILL();
        if (buf >> 63) {
            // Literals are the commonest token: up to three from one refill (27 of >= 32 bits).
            if (ROOM() < 3) {
                if (ROOM() == 0) goto full;
                *op++ = uint8_t(uint32_t(buf << 1 >> literal_shift) + bias);
                BITS_DROP(literal_bits);
                continue;
            }
            *op++ = uint8_t(uint32_t(buf << 1 >> literal_shift) + bias);
            BITS_DROP(literal_bits);
            if (buf >> 63) {
                *op++ = uint8_t(uint32_t(buf << 1 >> literal_shift) + bias);
                BITS_DROP(literal_bits);
                if (buf >> 63) {
                    *op++ = uint8_t(uint32_t(buf << 1 >> literal_shift) + bias);
                    BITS_DROP(literal_bits);
                }
            }
            continue;
        }
        switch (BITS_PEEK(3)) {
        case 2:
        case 3: { // 0,1: gamma match
            BITS_DROP(2);
            uint32_t g, n;
            BITS_GAMMA(g);
            size_t distance;
            if (g == 2) {
                distance = last_offset;
                BITS_GAMMA(n);
            } else {
                if (count < int(offset_width)) BITS_REFILL();
                uint64_t d = uint64_t(g - 3) << offset_width | BITS_PEEK(offset_width);
                BITS_DROP(offset_width);
                if (d > 0xFFFFFFFFu) goto fail;
                last_offset = uint32_t(d);
                distance = size_t(d);
                BITS_GAMMA(n);
                // Branch-free: the bonus steps are not predictable from one match to the next.
                n += uint32_t(d >= 0x10000) + uint32_t(d >= 0x37FF) + uint32_t(d >= 0x27F) +
                     4 * uint32_t(d <= 0x7F);
            }
            if (distance == 0 || distance > WRITTEN()) goto fail;
            if (n > ROOM()) goto full;
            copy_match(op, distance, n, ROOM());
            op += n;
            break;
        }
        case 1: { // 0,0,1: four-bit code
            uint32_t k = BITS_PEEK(7) & 15;
            BITS_DROP(7);
            if (k == 1) {
                if (ROOM() == 0) goto full;
                *op++ = 0;
            } else if (k >= 2) {
                if (k - 1 > WRITTEN()) goto fail;
                if (ROOM() == 0) goto full;
                *op = op[-int(k - 1)];
                ++op;
            } else if (buf >> 63) {
                // Literal run: blocks of 256 plain bytes, each followed by a "more" bit.
                BITS_DROP(1);
                do {
                    if (ROOM() < 256) goto full;
                    for (int i = 0; i < 64; ++i) {
                        BITS_REFILL();
                        op[0] = uint8_t(buf >> 56);
                        op[1] = uint8_t(buf >> 48);
                        op[2] = uint8_t(buf >> 40);
                        op[3] = uint8_t(buf >> 32);
                        BITS_DROP(32);
                        op += 4;
                    }
                    BITS_REFILL();
                    uint32_t more = BITS_PEEK(1);
                    BITS_DROP(1);
                    if (!more) break;
                } while (true);
            } else {
                const uint32_t literal_width = 7 + BITS_PEEK(2) % 2;
                literal_shift = 64 - literal_width;
                literal_bits = 1 + literal_width;
                BITS_DROP(2);
                bias = 0;
                if (literal_width == 7) {
                    bias = BITS_PEEK(8);
                    BITS_DROP(8);
                }
            }
            break;
        }
        default: { // 0,0,0: short match, end token or offset-width change
            uint32_t d = BITS_PEEK(10) & 127;
            uint32_t m = BITS_PEEK(12) & 3;
            BITS_DROP(12);
            if (d != 0) {
                last_offset = d;
                if (d > WRITTEN()) goto fail;
                if (m + 2 > ROOM()) goto full;
                uint8_t* from = op - d;
                if (d >= 8 && ROOM() >= 8) {
                    std::memcpy(op, from, 8); // no overlap within 8 bytes at distance >= 8
                } else {
                    // A plain forward loop keeps the overlap semantics.
                    for (uint32_t i = 0; i < m + 2; ++i)
                        op[i] = from[i];
                }
                op += m + 2;
            } else if (m == 0) {
                goto done;
            } else {
                offset_width = BITS_PEEK(m + 3);
                BITS_DROP(m + 3);
                if (offset_width == 0 || offset_width >= 32) goto fail;
            }
            break;
        }
        }
    }
#undef BITS_GAMMA
#undef BITS_DROP
#undef BITS_PEEK
#undef BITS_REFILL

done:
    if (count < missing) goto fail; // the end token itself was made of missing bits
    if (WRITTEN() != declared) goto fail;
    if (check != 0 && stream_checksum(destination, declared) != check) goto fail;
    return StreamOutcome::kDone;
full:
    // Past the declared size the stream is wrong; short of it, only the buffer was too small.
    if (limit < declared) return StreamOutcome::kNeedsRoom;
fail:
    return StreamOutcome::kBad;
#undef ROOM
#undef WRITTEN
}

} // namespace

uint32_t stream_decode(const uint8_t* source, size_t source_length, uint8_t* destination,
                       size_t capacity) {
    if (!destination || !is_stream(source, source_length)) return 0;
    return decode(source, source_length, destination, capacity) == StreamOutcome::kDone
               ? read_le32(source + 2)
               : 0;
}

StreamOutcome stream_decode_bounded(const uint8_t* source, size_t source_length,
                                    uint8_t* destination, size_t capacity) {
    if (!destination || !is_stream(source, source_length)) return StreamOutcome::kBad;
    return decode(source, source_length, destination, capacity);
}

bool stream_decode_exact(const uint8_t* source, size_t source_length, uint8_t* destination,
                         size_t size) {
    uint8_t nowhere; // a stream of 0 bytes writes nothing, but the decoder wants somewhere
    if (!destination && size == 0) destination = &nowhere;
    return destination && is_stream(source, source_length) && read_le32(source + 2) == size &&
           decode(source, source_length, destination, size) == StreamOutcome::kDone;
}
