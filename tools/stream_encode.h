// The compressor for the payload's stream, the format that payload/stream_format.h decodes:
// binary-tree match finding, a price-based forward parse per block, then literal runs and 7-bit
// literal zones chosen over the parsed tokens.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

inline constexpr int kStreamMinLevel = 1;
inline constexpr int kStreamMaxLevel = 9;
inline constexpr int kStreamDefaultLevel = 6;

// The complete stream: header ("JC", size, check value) and the bit stream. Levels outside
// 1..9 are clamped; higher levels search longer for smaller output. Empty for 4 GiB or more,
// which the header's 32-bit size cannot describe.
std::vector<uint8_t> stream_encode(const uint8_t* data, size_t size,
                                   int level = kStreamDefaultLevel);
