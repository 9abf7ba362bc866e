// Builds compressed streams bit by bit, token by token, straight from the format, so that the
// decoder tests do not depend on our compressor.
#pragma once
#include <cstdint>
#include <vector>

class StreamBits {
  public:
    // Up to 32 bits, most significant first.
    StreamBits& put(uint32_t value, int bits) {
        for (int i = bits - 1; i >= 0; --i)
            bit((value >> i) & 1);
        return *this;
    }
    StreamBits& bit(uint32_t b) {
        if (used_ % 32 == 0) words_.push_back(0);
        if (b) words_.back() |= 0x80000000u >> (used_ % 32);
        ++used_;
        return *this;
    }
    StreamBits& gamma(uint32_t v) {
        int top = 31;
        while (!(v >> top))
            --top;
        for (int i = top - 1; i >= 0; --i)
            bit((v >> i) & 1).bit(i > 0);
        return *this;
    }

    StreamBits& literal(uint32_t value, int width) { return bit(1).put(value, width); }
    StreamBits& width8() { return put(0x41, 9); } // 0,0,1 0000 0 1
    StreamBits& width7(uint32_t bias) { return put(0x40, 9).put(bias, 8); }
    StreamBits& zero_byte() { return put(0x11, 7); }
    StreamBits& near_copy(uint32_t d) { return put(0x10 | (d + 1), 7); }
    StreamBits& short_match(uint32_t d, uint32_t length) {
        return put(0, 3).put(d, 7).put(length - 2, 2);
    }
    // g >= 3: distance (g - 3) << width | low, coded length n (before the decoder's bonus).
    StreamBits& normal_match(uint32_t g, uint32_t low, int width, uint32_t n) {
        return put(1, 2).gamma(g).put(low, width).gamma(n);
    }
    StreamBits& repeat_match(uint32_t n) { return put(1, 2).gamma(2).gamma(n); }
    StreamBits& offset_width(uint32_t m, uint32_t width) {
        return put(0, 3).put(0, 7).put(m, 2).put(width, int(m) + 3);
    }
    // Blocks of 256 plain bytes.
    StreamBits& literal_run(const std::vector<uint8_t>& bytes) {
        put(0x21, 8); // 0,0,1 0000 1
        for (size_t i = 0; i < bytes.size(); ++i) {
            put(bytes[i], 8);
            if (i % 256 == 255) bit(i + 1 < bytes.size());
        }
        return *this;
    }
    StreamBits& end() { return put(0, 12); }

    size_t bit_count() const { return used_; }

    // Header plus words; unused bits of the last word stay zero.
    std::vector<uint8_t> stream(uint32_t unpacked_size, uint32_t check) const {
        std::vector<uint8_t> s = {'J', 'C'};
        for (uint32_t v : {unpacked_size, check})
            for (int i = 0; i < 4; ++i)
                s.push_back(uint8_t(v >> (8 * i)));
        for (uint32_t w : words_)
            for (int i = 0; i < 4; ++i)
                s.push_back(uint8_t(w >> (8 * i)));
        return s;
    }

  private:
    std::vector<uint32_t> words_;
    size_t used_ = 0;
};
