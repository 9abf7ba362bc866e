// The payload's compressed stream: a 10-byte header (the magic "JC", the unpacked size, a check
// value) and a bit stream of 32-bit little-endian words holding literal and match tokens up to an
// end token.
//
// The decoder never reads outside [source, source + source_length) nor writes outside
// [destination, destination + capacity): a malformed or truncated stream stops with result 0
// (bytes already written may stay). Its bounds are counts from the buffers' starts, never end
// pointers, which a 32-bit build could wrap.
#pragma once
#include <cstddef>
#include <cstdint>

inline constexpr size_t kStreamHeaderSize = 10;
inline constexpr uint8_t kStreamMagic[2] = {'J', 'C'};

// The most bytes a stream or a payload entry may declare; a larger size is refused before
// anything is allocated for it. Far above any real entry (the largest is about 1.2 MB), and far
// enough below 4 GiB that size + 1 and pointer + size cannot wrap in the 32-bit installer.
inline constexpr uint32_t kMaxDeclaredSize = 256u << 20;

// A whole header is there and begins with the magic.
inline bool is_stream(const uint8_t* source, size_t source_length) {
    return source && source_length >= kStreamHeaderSize && source[0] == kStreamMagic[0] &&
           source[1] == kStreamMagic[1];
}

// Bytes written, or 0 on a missing buffer, a bad magic, a declared size above kMaxDeclaredSize, a
// malformed stream, output beyond the declared size or the capacity, an end token before the
// declared size is reached, or a check value that does not match. Literals before the stream's
// first width change are 8-bit, unbiased.
uint32_t stream_decode(const uint8_t* source, size_t source_length, uint8_t* destination,
                       size_t capacity);
// True when the stream declares exactly size bytes and decodes to them, end token and check value
// included. Unlike stream_decode's count, this tells a sound stream of 0 bytes from a bad one.
// destination may be null when size is 0.
bool stream_decode_exact(const uint8_t* source, size_t source_length, uint8_t* destination,
                         size_t size);
// How a decode into a buffer that may be smaller than the declared size ended: kNeedsRoom when
// the stream was sound until it would have written past capacity, so that a caller can decode
// again into more room and need not allocate the declared size up front.
enum class StreamOutcome { kDone, kBad, kNeedsRoom };
StreamOutcome stream_decode_bounded(const uint8_t* source, size_t source_length,
                                    uint8_t* destination, size_t capacity);
// The plain bit-at-a-time decoder, kept beside the fast one for differential tests.
uint32_t stream_decode_reference(const uint8_t* source, size_t source_length, uint8_t* destination,
                                 size_t capacity);
// The header's unpacked size, or 0 when the source is not a stream (see is_stream).
uint32_t stream_unpacked_size(const uint8_t* source, size_t source_length);
uint32_t stream_checksum(const uint8_t* bytes, size_t count);
