// The stream decoders against the format: streams built token by token, every case run through
// the fast and the reference decoder, which must agree. Buffers are exactly sized heap blocks so
// that the sanitizers catch any read or write outside them.
#include "check.h"
#include "stream_test_bits.h"
#include "payload/stream_format.h"

#include <random>
#include <string>
#include <vector>

namespace {

struct Decoded {
    uint32_t result;
    std::vector<uint8_t> bytes; // the whole destination afterwards
};

// Runs both decoders on a private copy of the stream (exactly sized) and checks that they agree
// on the result and, on success, on every byte.
Decoded decode(const std::vector<uint8_t>& stream, size_t capacity, int line) {
    std::vector<uint8_t> src(stream);
    Decoded fast{0, std::vector<uint8_t>(capacity, 0xEE)};
    Decoded slow{0, std::vector<uint8_t>(capacity, 0xEE)};
    fast.result = stream_decode(src.data(), src.size(), fast.bytes.data(), capacity);
    slow.result = stream_decode_reference(src.data(), src.size(), slow.bytes.data(), capacity);
    if (fast.result != slow.result || (fast.result != 0 && fast.bytes != slow.bytes))
        check_detail::fail(__FILE__, line,
                           "decoders disagree: fast " + std::to_string(fast.result) +
                               ", reference " + std::to_string(slow.result));
    return fast;
}
#define DECODE(stream, capacity) decode(stream, capacity, __LINE__)

// stream_decode_exact on a private copy, into an exactly sized destination (null when empty).
bool exact(const std::vector<uint8_t>& stream, size_t size) {
    std::vector<uint8_t> src(stream), out(size);
    return stream_decode_exact(src.data(), src.size(), out.data(), size);
}

std::vector<uint8_t> bytes_of(const std::string& s) {
    return std::vector<uint8_t>(s.begin(), s.end());
}

// History that no match can be mistaken in: no byte value repeats at a short period.
std::vector<uint8_t> history(size_t n) {
    std::vector<uint8_t> h(n);
    for (size_t i = 0; i < n; ++i)
        h[i] = uint8_t((i * 7) ^ (i >> 8) ^ (i >> 16));
    return h;
}

void test_worked_example() {
    const std::vector<uint8_t> stream = {0x4A, 0x43, 0x06, 0x00, 0x00, 0x00, 0xC2, 0xCA, 0xCC,
                                         0xC1, 0x56, 0x6C, 0xD8, 0x20, 0x00, 0x00, 0x0D, 0x30};
    Decoded d = DECODE(stream, 6);
    CHECK_EQ(d.result, 6u);
    CHECK(d.bytes == bytes_of("abcabc"));
    CHECK_EQ(stream_unpacked_size(stream.data(), stream.size()), 6u);

    // The same stream from the token builder, bit for bit.
    StreamBits b;
    b.width8().literal('a', 8).literal('b', 8).literal('c', 8).short_match(3, 3).end();
    CHECK(b.stream(6, 0xC1CCCAC2) == stream);
}

void test_checksum() {
    CHECK_EQ(stream_checksum(bytes_of("abcabc").data(), 6), 0xC1CCCAC2u);
    const uint8_t five[] = {1, 2, 3, 4, 5};
    for (size_t n = 0; n < 4; ++n)
        CHECK_EQ(stream_checksum(five, n), 0u);
    CHECK_EQ(stream_checksum(nullptr, 8), 0u);
    // Four bytes: one word, 0x04030201, then the rotate-xor step.
    CHECK_EQ(stream_checksum(five, 4), 0x04030201u ^ (0x08060402u + 1));
    // Five bytes: bytes 0-3, then 1-4 (overlapping), not 4 alone.
    uint32_t s = 0x04030201u ^ (0x08060402u + 1);
    s += 0x05040302u;
    s ^= 0x0A080604u + 1;
    CHECK_EQ(stream_checksum(five, 5), s);
    // Every byte counts, including the last of a ragged tail.
    std::vector<uint8_t> v = history(1001);
    uint32_t base = stream_checksum(v.data(), v.size());
    for (size_t i : {size_t(0), size_t(500), size_t(999), size_t(1000)}) {
        v[i] ^= 1;
        CHECK(stream_checksum(v.data(), v.size()) != base);
        v[i] ^= 1;
    }
}

void test_header_and_missing_buffers() {
    StreamBits b;
    b.width8().literal('x', 8).end();
    std::vector<uint8_t> good = b.stream(1, 0);
    uint8_t out[1];
    CHECK_EQ(stream_decode(nullptr, good.size(), out, 1), 0u);
    CHECK_EQ(stream_decode(good.data(), good.size(), nullptr, 1), 0u);
    CHECK_EQ(stream_decode_reference(nullptr, good.size(), out, 1), 0u);
    CHECK(!stream_decode_exact(nullptr, 0, nullptr, 0));
    CHECK_EQ(stream_unpacked_size(nullptr, 10), 0u);
    CHECK_EQ(stream_unpacked_size(good.data(), 9), 0u);
    std::vector<uint8_t> bad = good;
    bad[1] = 'D';
    CHECK_EQ(DECODE(bad, 1).result, 0u);
    CHECK_EQ(stream_unpacked_size(bad.data(), bad.size()), 0u);
    std::vector<uint8_t> header_only(good.begin(), good.begin() + 9);
    CHECK_EQ(DECODE(header_only, 1).result, 0u);
    CHECK_EQ(DECODE(good, 1).result, 1u);
}

// A normal match at distance d with coded length 2 produces 2 plus the distance's bonus.
void test_length_bonus_boundaries() {
    const uint32_t cases[][2] = {{127, 4},   {128, 0},   {638, 0},   {639, 1},
                                 {14334, 1}, {14335, 2}, {65535, 2}, {65536, 3}};
    for (const auto& c : cases) {
        const uint32_t d = c[0], bonus = c[1];
        std::vector<uint8_t> h = history((d + 255) / 256 * 256);
        StreamBits b;
        b.width8().literal_run(h).normal_match((d >> 8) + 3, d & 255, 8, 2).end();
        const uint32_t size = uint32_t(h.size()) + 2 + bonus;
        Decoded r = DECODE(b.stream(size, 0), size);
        CHECK_EQ(r.result, size);
        bool copied = r.result == size;
        for (uint32_t i = 0; copied && i < 2 + bonus; ++i)
            copied = r.bytes[h.size() + i] == r.bytes[h.size() + i - d];
        CHECK(copied);
        // One byte more or less than the bonus gives: the stream does not fill its size.
        CHECK_EQ(DECODE(b.stream(size + 1, 0), size + 1).result, 0u);
        CHECK_EQ(DECODE(b.stream(size - 1, 0), size).result, 0u);
    }
}

void test_overlapping_copies() {
    StreamBits b;
    b.width8().literal('x', 8).short_match(1, 5).end();
    Decoded r = DECODE(b.stream(6, 0), 6);
    CHECK_EQ(r.result, 6u);
    CHECK(r.bytes == bytes_of("xxxxxx"));

    // A long normal match at distance 130 repeats its 130-byte pattern several times over.
    std::vector<uint8_t> h = history(130);
    StreamBits n;
    n.width8();
    for (uint8_t v : h)
        n.literal(v, 8);
    n.normal_match(3, 130, 8, 1000).end();
    r = DECODE(n.stream(1130, 0), 1130);
    CHECK_EQ(r.result, 1130u);
    bool periodic = r.result == 1130;
    for (size_t i = 130; periodic && i < 1130; ++i)
        periodic = r.bytes[i] == h[i % 130];
    CHECK(periodic);

    // Distances 2 to 20 with lengths past them, where wide copies would read unwritten bytes.
    for (uint32_t d = 2; d <= 20; ++d) {
        std::vector<uint8_t> hd = history(d);
        StreamBits s;
        s.width8();
        for (uint8_t v : hd)
            s.literal(v, 8);
        s.repeat_match(2); // at the initial last offset 1
        s.short_match(d, 5).normal_match(3, d, 8, 60).end();
        const uint32_t size = d + 2 + 5 + 64;
        r = DECODE(s.stream(size, 0), size + 40);
        CHECK_EQ(r.result, size);
        std::vector<uint8_t> want = hd;
        for (int k = 0; k < 2; ++k)
            want.push_back(want.back());
        for (int k = 0; k < 69; ++k)
            want.push_back(want[want.size() - d]);
        CHECK(std::vector<uint8_t>(r.bytes.begin(), r.bytes.begin() + size) == want);
    }
}

void test_literal_width_and_bias() {
    StreamBits b;
    b.width7(10).literal(0, 7).width7(200).literal(100, 7).literal(127, 7);
    b.width8().literal(5, 8).width7(3).literal(1, 7).end();
    Decoded r = DECODE(b.stream(5, 0), 5);
    CHECK_EQ(r.result, 5u);
    CHECK(r.bytes == (std::vector<uint8_t>{10, 44, 71, 5, 4}));
}

void test_last_offset_rules() {
    // Short match at 3 sets it; the one-byte copy at 1 and the repeat keep it.
    StreamBits b;
    b.width8().literal('a', 8).literal('b', 8).literal('c', 8);
    b.short_match(3, 2).near_copy(1).repeat_match(2).repeat_match(3).end();
    Decoded r = DECODE(b.stream(11, 0), 11);
    CHECK_EQ(r.result, 11u);
    CHECK(r.bytes == bytes_of("abcabbabbab"));

    // A zero byte needs no history and takes no bias; the initial last offset is 1.
    StreamBits z;
    z.width7(50).zero_byte().repeat_match(3).literal(0, 7).end();
    r = DECODE(z.stream(5, 0), 5);
    CHECK_EQ(r.result, 5u);
    CHECK(r.bytes == (std::vector<uint8_t>{0, 0, 0, 0, 50}));

    // A normal match sets it too.
    std::vector<uint8_t> h = history(300);
    StreamBits n;
    n.width8();
    for (uint8_t v : h)
        n.literal(v, 8);
    n.normal_match(4, 300 - 256, 8, 2).near_copy(14).repeat_match(2).end();
    r = DECODE(n.stream(305, 0), 305);
    CHECK_EQ(r.result, 305u);
    CHECK(r.result == 305 && r.bytes[300] == h[0] && r.bytes[301] == h[1] &&
          r.bytes[302] == h[288] && r.bytes[303] == r.bytes[3] && r.bytes[304] == r.bytes[4]);
}

void test_offset_width() {
    std::vector<uint8_t> h = history(512);
    // g = 3 reaches 1..255 through the low bits alone, g = 4 adds 256.
    StreamBits b;
    b.width8().literal_run(h).normal_match(3, 255, 8, 2).normal_match(4, 0, 8, 2).end();
    Decoded r = DECODE(b.stream(516, 0), 516);
    CHECK_EQ(r.result, 516u);
    CHECK(r.result == 516 && r.bytes[512] == h[257] && r.bytes[514] == r.bytes[258]);

    // Width 4 (given in 4 bits): g = 4 and low 5 make 21. Short matches still take 7 bits.
    StreamBits w;
    w.width8().literal_run(h).offset_width(1, 4).normal_match(4, 5, 4, 2);
    w.short_match(100, 2).offset_width(3, 20).normal_match(3, 300, 20, 2).end();
    r = DECODE(w.stream(522, 0), 522);
    CHECK_EQ(r.result, 522u); // 21 is below 128: the match gets 4 more bytes
    CHECK(r.result == 522 && r.bytes[512] == h[491] && r.bytes[517] == h[496] &&
          r.bytes[518] == h[418] && r.bytes[519] == h[419] && r.bytes[520] == r.bytes[220]);

    // Widths 0 and 32 or more cannot be meant.
    for (uint32_t bad : {0u, 32u, 63u}) {
        StreamBits z;
        z.width8().literal('a', 8).offset_width(3, bad).end();
        CHECK_EQ(DECODE(z.stream(1, 0), 1).result, 0u);
    }
    StreamBits ok31;
    ok31.width8().literal('a', 8).offset_width(3, 31).end();
    CHECK_EQ(DECODE(ok31.stream(1, 0), 1).result, 1u);
}

void test_literal_run() {
    std::vector<uint8_t> h = history(512);
    for (size_t i = 0; i < h.size(); i += 3)
        h[i] = 0xFF; // values a 7-bit literal could not hold
    StreamBits b;
    b.width7(50).literal_run(h).literal(1, 7).end();
    Decoded r = DECODE(b.stream(513, 0), 513);
    CHECK_EQ(r.result, 513u);
    CHECK(std::vector<uint8_t>(r.bytes.begin(), r.bytes.begin() + 512) == h);
    CHECK_EQ(r.bytes[512], 51);
}

void test_checksum_field() {
    StreamBits b;
    b.width8().literal('a', 8).literal('b', 8).literal('c', 8).short_match(3, 3).end();
    // Field 0: not tested, whatever the bytes are.
    CHECK_EQ(DECODE(b.stream(6, 0), 6).result, 6u);
    // A mismatch gives 0, but the bytes stay.
    Decoded r = DECODE(b.stream(6, 0xC1CCCAC3), 6);
    CHECK_EQ(r.result, 0u);
    CHECK(r.bytes == bytes_of("abcabc"));
    CHECK(exact(b.stream(6, 0xC1CCCAC2), 6));
    CHECK(!exact(b.stream(6, 0xC1CCCAC3), 6));
    CHECK(!exact(b.stream(6, 0xC1CCCAC2), 7)); // declares another size than the one wanted
    // Size 0 checks as 0 too. A count of 0 cannot tell its success from a failure; the exact
    // form can.
    StreamBits empty;
    empty.width8().end();
    CHECK(exact(empty.stream(0, 0), 0));
    CHECK(!exact(empty.stream(0, 1), 0));

    // Sizes 1 to 3 check as 0: they pass only with a field of 0.
    for (uint32_t n = 1; n <= 3; ++n) {
        StreamBits s;
        s.width8();
        for (uint32_t i = 0; i < n; ++i)
            s.literal('k', 8);
        s.end();
        CHECK_EQ(DECODE(s.stream(n, 0), n).result, n);
        CHECK_EQ(DECODE(s.stream(n, 1), n).result, 0u);
    }
    // Size 5: the check covers bytes 0-3 and then 1-4.
    const std::vector<uint8_t> five = {1, 2, 3, 4, 5};
    StreamBits s;
    s.width8();
    for (uint8_t v : five)
        s.literal(v, 8);
    s.end();
    CHECK_EQ(DECODE(s.stream(5, stream_checksum(five.data(), 5)), 5).result, 5u);
    CHECK_EQ(DECODE(s.stream(5, stream_checksum(five.data(), 4)), 5).result, 0u);
}

// Malformed streams stop with 0 and touch nothing outside the buffers (the sanitizers watch).
void test_malformed() {
    auto fails = [](const StreamBits& b, uint32_t size, size_t capacity, int line) {
        Decoded r = decode(b.stream(size, 0), capacity, line);
        // The exact form too, which alone can tell a stream of 0 bytes from a bad one.
        if (r.result != 0 || (size == capacity && exact(b.stream(size, 0), size)))
            check_detail::fail(__FILE__, line, "malformed stream accepted");
        else
            ++check_detail::passed;
    };
    StreamBits zero_distance;
    zero_distance.width8().literal('a', 8).normal_match(3, 0, 8, 2).end();
    fails(zero_distance, 5, 5, __LINE__);
    StreamBits before_start;
    before_start.width8().literal('a', 8).literal('b', 8).short_match(3, 2).end();
    fails(before_start, 4, 4, __LINE__);
    StreamBits near_before_start;
    near_before_start.width8().literal('a', 8).near_copy(2).end();
    fails(near_before_start, 2, 2, __LINE__);
    StreamBits repeat_at_start;
    repeat_at_start.width8().repeat_match(2).end();
    fails(repeat_at_start, 2, 2, __LINE__);
    StreamBits far;
    far.width8().literal('a', 8).normal_match(1000, 0, 8, 2).end();
    fails(far, 10, 10, __LINE__);

    // Output past the declared size, and past a capacity below it.
    StreamBits three;
    three.width8().literal('a', 8).literal('b', 8).literal('c', 8).end();
    fails(three, 2, 3, __LINE__);
    fails(three, 3, 2, __LINE__);
    StreamBits long_match;
    long_match.width8().literal('a', 8).short_match(1, 5).repeat_match(400).end();
    fails(long_match, 100, 100, __LINE__);
    fails(long_match, 406, 300, __LINE__);
    StreamBits run;
    run.width8().literal_run(history(512)).end();
    fails(run, 300, 300, __LINE__);
    fails(run, 512, 511, __LINE__);
    StreamBits early_end;
    early_end.width8().literal('a', 8).end();
    fails(early_end, 2, 2, __LINE__); // ends before its declared size

    // A gamma number far larger than any stream.
    StreamBits huge;
    huge.width8().literal('a', 8).put(1, 2);
    for (int i = 0; i < 40; ++i)
        huge.put(3, 2);
    huge.put(0, 2).gamma(2).end();
    fails(huge, 10, 10, __LINE__);

    // Missing end token: the last word ends inside a literal, or the stream has no words.
    StreamBits cut;
    cut.width8();
    while (cut.bit_count() % 32 != 28)
        cut.literal(0x55, 8);
    cut.put(0xD, 4); // the flag and three bits of a literal
    fails(cut, 1000, 1000, __LINE__);
    StreamBits nothing;
    fails(nothing, 0, 0, __LINE__);

    // Every truncation of a good stream, cut at a word, fails in both decoders.
    StreamBits good;
    good.width8().literal_run(history(512));
    for (int i = 0; i < 20; ++i)
        good.literal(uint32_t(i), 8).short_match(1, 3).normal_match(3 + i % 3, 17, 8, 2 + i);
    good.end();
    std::vector<uint8_t> probe(100000);
    std::vector<uint8_t> full = good.stream(0, 0);
    uint32_t size = stream_decode_reference(full.data(), full.size(), probe.data(), probe.size());
    CHECK_EQ(size, 0u); // the declared size 0 is overrun at once
    size = 512;
    for (int i = 0; i < 20; ++i)
        size += 1 + 3 + (2 + uint32_t(i) + ((3 + i % 3) == 3 ? 4u : 0u));
    full = good.stream(size, 0);
    CHECK_EQ(DECODE(full, size).result, size);
    bool all_fail = true;
    for (size_t len = 0; len < full.size(); len += (len < kStreamHeaderSize ? 1 : 4)) {
        std::vector<uint8_t> part(full.begin(), full.begin() + long(len));
        all_fail = all_fail && DECODE(part, size).result == 0;
    }
    CHECK(all_fail);
}

// A declared size above the cap is refused before a byte is written, whatever capacity the caller
// claims. A reader that trusted the header would pass the declared size as capacity: in a 32-bit
// build destination + 0xFFFFFFFF then wraps below destination, every bound passes, and these few
// bytes of stream would write 8 MiB into a 64-byte buffer. Up to the cap the size stands, and a
// buffer short of it asks for more room instead of failing the stream.
void test_declared_size_cap() {
    StreamBits b;
    b.width8().literal('x', 8);
    for (int i = 0; i < 8; ++i)
        b.repeat_match(1u << 20);
    b.end();
    for (uint32_t declared : {kMaxDeclaredSize + 1, 0xFFFFFFFFu}) {
        std::vector<uint8_t> src = b.stream(declared, 0), out(64, 0xEE);
        CHECK_EQ(stream_decode(src.data(), src.size(), out.data(), declared), 0u);
        CHECK_EQ(stream_decode_reference(src.data(), src.size(), out.data(), declared), 0u);
        CHECK(!stream_decode_exact(src.data(), src.size(), out.data(), declared));
        CHECK(stream_decode_bounded(src.data(), src.size(), out.data(), 64) == StreamOutcome::kBad);
        CHECK(out == std::vector<uint8_t>(64, 0xEE));
    }
    std::vector<uint8_t> src = b.stream(kMaxDeclaredSize, 0), out(64);
    CHECK(stream_decode_bounded(src.data(), src.size(), out.data(), 64) ==
          StreamOutcome::kNeedsRoom);
    src = b.stream(8u << 20 | 1, 0);
    out.assign(8u << 20 | 1, 0);
    CHECK(stream_decode_bounded(src.data(), src.size(), out.data(), out.size()) ==
          StreamOutcome::kDone);
    // A stream that is wrong before it runs out of room stays wrong in any buffer.
    StreamBits early;
    early.width8().literal('a', 8).short_match(2, 2).end();
    src = early.stream(kMaxDeclaredSize, 0);
    CHECK(stream_decode_bounded(src.data(), src.size(), out.data(), 64) == StreamOutcome::kBad);
}

// Random but valid token sequences: both decoders must produce the same bytes, which a model
// of the output built alongside confirms.
void test_random_token_streams() {
    std::mt19937 rng(2024);
    int agreed = 0;
    for (int round = 0; round < 1500; ++round) {
        StreamBits b;
        std::vector<uint8_t> model;
        uint32_t width = 8, bias = 0, last = 1, ow = 8;
        b.width8();
        const int tokens = 1 + int(rng() % 60);
        for (int t = 0; t < tokens; ++t) {
            const size_t have = model.size();
            switch (rng() % 9) {
            case 0:
                if (rng() % 2) {
                    width = 8, bias = 0;
                    b.width8();
                } else {
                    width = 7, bias = rng() % 256;
                    b.width7(bias);
                }
                break;
            case 1:
                b.zero_byte();
                model.push_back(0);
                break;
            case 2:
                if (have == 0) break;
                {
                    uint32_t d = 1 + rng() % std::min<size_t>(have, 14);
                    b.near_copy(d);
                    model.push_back(model[have - d]);
                }
                break;
            case 3:
                if (have == 0) break;
                {
                    uint32_t d = 1 + rng() % std::min<size_t>(have, 127), n = 2 + rng() % 4;
                    b.short_match(d, n);
                    last = d;
                    for (uint32_t i = 0; i < n; ++i)
                        model.push_back(model[model.size() - d]);
                }
                break;
            case 4:
                if (have < last) break;
                {
                    uint32_t n = 2 + rng() % 40;
                    b.repeat_match(n);
                    for (uint32_t i = 0; i < n; ++i)
                        model.push_back(model[model.size() - last]);
                }
                break;
            case 5:
                if (have == 0) break;
                {
                    uint32_t d = 1 + rng() % have, n = 2 + rng() % (rng() % 4 ? 10 : 300);
                    b.normal_match((d >> ow) + 3, d & ((1u << ow) - 1), int(ow), n);
                    last = d;
                    n += d >= 0x10000 ? 3 : d >= 0x37FF ? 2 : d >= 0x27F ? 1 : d > 0x7F ? 0 : 4;
                    for (uint32_t i = 0; i < n; ++i)
                        model.push_back(model[model.size() - d]);
                }
                break;
            case 6:
                if (rng() % 4) break;
                {
                    std::vector<uint8_t> run(256 * (1 + rng() % 2));
                    for (auto& v : run)
                        v = uint8_t(rng());
                    b.literal_run(run);
                    model.insert(model.end(), run.begin(), run.end());
                }
                break;
            case 7:
                if (rng() % 3) break;
                ow = 1 + rng() % 12;
                b.offset_width(ow < 16 ? 1 : 2, ow);
                break;
            default: {
                uint32_t x = rng() % (1u << width);
                b.literal(x, int(width));
                model.push_back(uint8_t(x + bias));
            }
            }
        }
        b.end();
        const uint32_t size = uint32_t(model.size());
        const uint32_t check = rng() % 2 ? stream_checksum(model.data(), size) : 0;
        Decoded r = DECODE(b.stream(size, check), size + rng() % 3);
        if (r.result == size && std::equal(model.begin(), model.end(), r.bytes.begin()))
            ++agreed;
        else
            std::printf("round %d: result %u of %u\n", round, r.result, size);
    }
    CHECK_EQ(agreed, 1500);
}

} // namespace

int main() {
    test_worked_example();
    test_checksum();
    test_header_and_missing_buffers();
    test_length_bonus_boundaries();
    test_overlapping_copies();
    test_literal_width_and_bias();
    test_last_offset_rules();
    test_offset_width();
    test_literal_run();
    test_checksum_field();
    test_malformed();
    test_declared_size_cap();
    test_random_token_streams();
    return check_report();
}
