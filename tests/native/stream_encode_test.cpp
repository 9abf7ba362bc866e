// The compressor: round trips through both decoders, the shape of every stream it writes, the
// token kinds it picks where they pay, and the payload blob built from its streams.
#include "check.h"
#include "stream_encode.h"
#include "payload/little_endian.h"
#include "payload/stream_format.h"
#include "payload_blob.h"

#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

bool round_trip(const std::vector<uint8_t>& data, int level) {
    std::vector<uint8_t> s = stream_encode(data.data(), data.size(), level);
    std::vector<uint8_t> fast(data.size()), slow(data.size());
    return stream_decode(s.data(), s.size(), fast.data(), fast.size()) == data.size() &&
           stream_decode_reference(s.data(), s.size(), slow.data(), slow.size()) == data.size() &&
           fast == data && slow == data;
}

// Walks a stream's tokens (a bare reader written for the test) and counts them by kind; the
// first kind seen is recorded under "first", the position of the end token under "end_bit".
std::map<std::string, size_t> tokens_of(const std::vector<uint8_t>& s) {
    std::map<std::string, size_t> count;
    size_t bit_pos = 0;
    const size_t total = (s.size() - kStreamHeaderSize) * 8;
    auto bit = [&]() -> uint32_t {
        if (bit_pos >= total) return 0;
        size_t word = bit_pos / 32, in_word = bit_pos % 32;
        const uint8_t* w = s.data() + kStreamHeaderSize + 4 * word;
        uint32_t v = read_le32(w);
        ++bit_pos;
        return (v >> (31 - in_word)) & 1;
    };
    auto bits = [&](int k) {
        uint32_t v = 0;
        while (k--)
            v = v << 1 | bit();
        return v;
    };
    auto gamma = [&]() {
        uint32_t v = 1;
        do
            v = v << 1 | bit();
        while (bit() && bit_pos < total);
        return v;
    };
    uint32_t width = 8, ow = 8;
    auto note = [&](const char* kind) {
        if (count.empty()) count["first:" + std::string(kind)] = 1;
        ++count[kind];
    };
    while (bit_pos < total) {
        if (bit()) {
            note("literal");
            bits(int(width));
        } else if (bit()) {
            if (gamma() == 2) {
                note("repeat");
            } else {
                note("normal");
                bits(int(ow));
            }
            gamma();
        } else if (bit()) {
            uint32_t k = bits(4);
            if (k == 1)
                note("zero");
            else if (k >= 2)
                note("near");
            else if (bit()) {
                note("run");
                do
                    for (int i = 0; i < 64; ++i)
                        bits(32);
                while (bit());
            } else {
                width = 7 + bit();
                note(width == 7 ? "width7" : "width8");
                if (width == 7) bits(8);
            }
        } else {
            uint32_t d = bits(7), m = bits(2);
            if (d)
                note("short");
            else if (m == 0) {
                count["end_bit"] = bit_pos;
                break;
            } else {
                note("offset_width");
                ow = bits(int(m) + 3);
            }
        }
    }
    return count;
}

std::vector<uint8_t> random_bytes(std::mt19937& rng, size_t n, uint32_t span = 256,
                                  uint32_t base = 0) {
    std::vector<uint8_t> v(n);
    for (auto& b : v)
        b = uint8_t(base + rng() % span);
    return v;
}

void test_round_trips() {
    std::mt19937 rng(7);
    bool all = true;
    for (int level : {1, 5, 9})
        for (size_t n : {0, 1, 2, 3, 4, 5, 6, 255, 256, 257, 513, 5000}) {
            all = all && round_trip(random_bytes(rng, n), level);
            all = all && round_trip(std::vector<uint8_t>(n, 0), level);
            all = all && round_trip(std::vector<uint8_t>(n, 0xAB), level);
            all = all && round_trip(random_bytes(rng, n, 3, 'a'), level);
            all = all && round_trip(random_bytes(rng, n, 100, 140), level);
        }
    CHECK(all);
    // A parse block boundary (256 KiB) crossed by a long repeat and a literal stretch.
    std::vector<uint8_t> big = random_bytes(rng, 300000, 256);
    for (size_t i = 200000; i < 280000; ++i)
        big[i] = big[i - 70001];
    CHECK(round_trip(big, 3));
    // Null data is an empty input.
    std::vector<uint8_t> s = stream_encode(nullptr, 5);
    CHECK_EQ(stream_unpacked_size(s.data(), s.size()), 0u);
}

void test_stream_shape() {
    std::mt19937 rng(8);
    for (size_t n : {0, 1, 7, 3000}) {
        std::vector<uint8_t> data = random_bytes(rng, n, 4, 'x');
        std::vector<uint8_t> s = stream_encode(data.data(), data.size());
        CHECK_EQ((s.size() - kStreamHeaderSize) % 4, 0u);
        CHECK_EQ(stream_unpacked_size(s.data(), s.size()), uint32_t(n));
        CHECK_EQ(read_le32(s.data() + 6), stream_checksum(data.data(), data.size()));
        auto t = tokens_of(s);
        CHECK(t.count("first:width8") + t.count("first:width7") == 1);
        // The end token ends in the last word; only zero bits follow it.
        CHECK(t.count("end_bit") == 1 && (s.size() - kStreamHeaderSize) * 8 - t["end_bit"] < 32);
    }
}

void test_token_choice() {
    std::mt19937 rng(9);
    // Incompressible data goes out in literal runs: about 1 bit per 256 bytes over 8 bits.
    std::vector<uint8_t> noise = random_bytes(rng, 8192);
    std::vector<uint8_t> s = stream_encode(noise.data(), noise.size());
    auto t = tokens_of(s);
    CHECK(t["run"] >= 1);
    CHECK(s.size() < noise.size() + 64);

    // Literals that all fit in one 128-value band take 7 bits plus a bias.
    std::vector<uint8_t> band = random_bytes(rng, 3000, 100, 150);
    s = stream_encode(band.data(), band.size());
    t = tokens_of(s);
    CHECK(t["width7"] >= 1);
    CHECK(s.size() < band.size() * 8 / 8 + 100);
    CHECK(round_trip(band, kStreamDefaultLevel));

    // Zero bytes, one-byte copies nearby, short matches and repeats of the last distance.
    std::vector<uint8_t> mix;
    for (int i = 0; i < 400; ++i) {
        std::vector<uint8_t> rec = random_bytes(rng, 6);
        mix.insert(mix.end(), rec.begin(), rec.end());
        mix.push_back(0);                                    // a zero byte
        mix.push_back(rec[2]);                               // a byte seen 5 back
        mix.insert(mix.end(), rec.begin(), rec.begin() + 3); // 3 bytes 8 back
        mix.push_back(uint8_t(rng()));
        mix.insert(mix.end(), mix.end() - 9, mix.end() - 6); // 3 bytes 9 back
    }
    s = stream_encode(mix.data(), mix.size());
    t = tokens_of(s);
    CHECK(t["zero"] > 100);
    CHECK(t["near"] > 100);
    CHECK(t["short"] > 100);
    CHECK(round_trip(mix, kStreamDefaultLevel));

    // Records repeated far away with one changed byte: normal matches, then repeats.
    std::vector<uint8_t> far = random_bytes(rng, 20000);
    std::vector<uint8_t> rec_data = far;
    for (int i = 0; i < 50; ++i) {
        size_t from = rng() % 15000;
        for (int k = 0; k < 3; ++k) {
            far.insert(far.end(), rec_data.begin() + long(from),
                       rec_data.begin() + long(from) + 40);
            far.push_back(uint8_t(rng()));
            from += 41;
        }
    }
    s = stream_encode(far.data(), far.size());
    t = tokens_of(s);
    CHECK(t["normal"] >= 50);
    CHECK(t["repeat"] >= 50);
    CHECK(round_trip(far, kStreamDefaultLevel));
}

void test_levels_trade_speed_for_size() {
    std::mt19937 rng(10);
    std::vector<uint8_t> data;
    std::vector<uint8_t> words[64];
    for (auto& w : words)
        w = random_bytes(rng, 3 + rng() % 8, 26, 'a');
    while (data.size() < 200000) {
        auto& w = words[rng() % 64];
        data.insert(data.end(), w.begin(), w.end());
        data.push_back(uint8_t(rng() % 4 ? ' ' : rng()));
    }
    size_t s1 = stream_encode(data.data(), data.size(), 1).size();
    size_t s9 = stream_encode(data.data(), data.size(), 9).size();
    CHECK(s9 < s1);
    CHECK(s1 < data.size() / 2);
}

void test_blob() {
    std::mt19937 rng(11);
    std::vector<BlobFile> files = {{"Kav-Player.exe", std::vector<uint8_t>(5000, 'p')},
                                   {"noise.bin", random_bytes(rng, 3000)},
                                   {"empty.txt", {}}};
    std::vector<uint8_t> blob;
    std::string err;
    CHECK(build_blob(files, kStreamDefaultLevel, blob, err));
    std::vector<BlobEntry> entries;
    CHECK(split_blob(blob.data(), blob.size(), entries, err));
    CHECK_EQ(entries.size(), 4u);
    if (entries.size() != 4) return;
    std::vector<uint8_t> bytes;
    CHECK(read_blob_entry(blob.data(), entries[0], bytes, err));
    const std::string want = "Kav-Player.exe\r\nnoise.bin\r\nempty.txt\r\n";
    CHECK(bytes == std::vector<uint8_t>(want.begin(), want.end()));
    std::vector<std::string> names;
    CHECK(parse_name_list(bytes, names, err));
    CHECK(names == (std::vector<std::string>{"Kav-Player.exe", "noise.bin", "empty.txt"}));
    CHECK(!entries[1].stored() && entries[1].packed < 100);
    CHECK(entries[2].stored() && entries[2].packed == 3000); // noise does not shrink
    CHECK(entries[3].stored() && entries[3].packed == 0);
    // Every compressed entry's packed size is a whole stream: header plus words.
    CHECK_EQ((entries[1].packed - kStreamHeaderSize) % 4, 0u);
    for (size_t i = 1; i < 4; ++i) {
        CHECK(read_blob_entry(blob.data(), entries[i], bytes, err));
        CHECK(bytes == files[i - 1].bytes);
    }

    // A flipped bit inside a compressed entry is reported, not delivered.
    std::vector<uint8_t> bad = blob;
    bad[entries[1].offset + entries[1].packed - 6] ^= 0x10;
    CHECK(!read_blob_entry(bad.data(), entries[1], bytes, err));
    // A truncated blob does not split.
    CHECK(!split_blob(blob.data(), blob.size() - 1, entries, err));
    CHECK(!split_blob(blob.data(), 5, entries, err));

    // Name lists: CR LF after every name, empty lines give empty names, a missing one fails.
    auto list = [](const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); };
    CHECK(parse_name_list(list("a\r\n\r\nb\r\n"), names, err));
    CHECK(names == (std::vector<std::string>{"a", "", "b"}));
    CHECK(!parse_name_list(list("a\r\nb"), names, err));
    CHECK(!parse_name_list(list("a\rb\r\n"), names, err));

    // Names that would leave the target folder, break the list, or that the installer refuses
    // (Windows would strip the trailing dots and blanks) are refused when packing.
    for (const char* name : {"", "..", "a/b", "a\\b", "c:x", "a\rb", "x?", "a.", "a ", "..."}) {
        CHECK(!is_bare_file_name(name));
        CHECK(!build_blob({{name, {1, 2}}}, 1, blob, err));
    }
    CHECK(is_bare_file_name("Kav-Producer.exe.manifest"));
}

} // namespace

int main() {
    test_round_trips();
    test_stream_shape();
    test_token_choice();
    test_levels_trade_speed_for_size();
    test_blob();
    return check_report();
}
