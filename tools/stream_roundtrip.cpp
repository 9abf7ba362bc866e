// Round trips through the optimised encoder and both decoders, unsanitised so that large inputs
// stay quick: generated inputs of every shape (no arguments), or the files named, each at the
// level given before it (-1..-9; default 6).
#include "check.h"
#include "file_bytes.h"
#include "stream_encode.h"
#include "payload/stream_format.h"

#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

bool round_trip(const std::vector<uint8_t>& data, int level, const std::string& what,
                bool reference = true) {
    std::vector<uint8_t> stream = stream_encode(data.data(), data.size(), level);
    std::vector<uint8_t> back(data.size() + 1, 0xEE);
    uint32_t got = stream_decode(stream.data(), stream.size(), back.data(), back.size());
    back.resize(data.size());
    bool ok = got == data.size() && back == data && (stream.size() - kStreamHeaderSize) % 4 == 0;
    if (ok && reference) {
        std::vector<uint8_t> slow(data.size(), 0x55);
        ok = stream_decode_reference(stream.data(), stream.size(), slow.data(), slow.size()) ==
                 data.size() &&
             slow == data;
    }
    if (!ok)
        std::printf("round trip failed: %s, %zu bytes, level %d\n", what.c_str(), data.size(),
                    level);
    return ok;
}

std::vector<uint8_t> generate(std::mt19937& rng, size_t size, int shape) {
    std::vector<uint8_t> d(size);
    switch (shape) {
    case 0: // random
        for (auto& b : d)
            b = uint8_t(rng());
        break;
    case 1: // all zero
        break;
    case 2: { // few symbols, short repeats
        for (auto& b : d)
            b = uint8_t("ab\0c"[rng() % 4]);
        break;
    }
    case 3: { // copies of earlier stretches at every distance, some mutated
        for (size_t i = 0; i < size;) {
            if (i > 0 && rng() % 3) {
                size_t dist = 1 + rng() % std::min<size_t>(i, rng() % 2 ? 200 : 70000);
                size_t len = 1 + rng() % 300;
                for (size_t k = 0; k < len && i < size; ++k, ++i)
                    d[i] = d[i - dist];
            } else {
                size_t len = 1 + rng() % 600;
                for (size_t k = 0; k < len && i < size; ++k)
                    d[i++] = uint8_t(rng() % (rng() % 2 ? 256 : 96) + 32);
            }
        }
        break;
    }
    default: { // text-like: 7-bit values in one narrow band
        for (auto& b : d)
            b = uint8_t(150 + rng() % 100);
        break;
    }
    }
    return d;
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1) {
        int level = kStreamDefaultLevel;
        for (int i = 1; i < argc; ++i) {
            if (argv[i][0] == '-' && argv[i][1] >= '1' && argv[i][1] <= '9' && !argv[i][2]) {
                level = argv[i][1] - '0';
                continue;
            }
            std::vector<uint8_t> data;
            std::string err;
            if (!read_file(argv[i], data, err)) {
                std::printf("cannot open %s: %s\n", argv[i], err.c_str());
                return 1;
            }
            CHECK(round_trip(data, level, argv[i]));
        }
        return check_report();
    }

    std::mt19937 rng(12345);
    for (int level = kStreamMinLevel; level <= kStreamMaxLevel; ++level)
        for (size_t size : {0, 1, 2, 3, 4, 5, 7, 8, 255, 256, 257, 4095, 70000})
            for (int shape = 0; shape < 5; ++shape)
                CHECK(round_trip(generate(rng, size, shape), level,
                                 "shape " + std::to_string(shape)));
    for (int i = 0; i < 2000; ++i) {
        size_t size = rng() % (i % 50 == 0 ? 100000 : 3000);
        CHECK(round_trip(generate(rng, size, int(rng() % 5)), int(1 + rng() % 9),
                         "random case " + std::to_string(i)));
    }
    // Past 16 MiB: distances and positions beyond 24 bits, blocks of the parse one after another.
    std::vector<uint8_t> big = generate(rng, (size_t(17) << 20) + 3, 3);
    CHECK(round_trip(big, 1, "17 MiB mixed", false));
    std::vector<uint8_t> zeros((size_t(17) << 20) + 1, 0);
    CHECK(round_trip(zeros, kStreamDefaultLevel, "17 MiB zeros", false));
    return check_report();
}
