#include "jc_encode.h"

#include "payload/jc.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

// ---------------------------------------------------------------------------------------------
// Token prices in bits, as the decoder reads them.

constexpr uint32_t kOffsetWidth = 8;    // the decoder's initial width; our streams keep it
constexpr uint32_t kLiteralBits = 9;    // flag + 8 bits; 7-bit zones are chosen after the parse
constexpr uint32_t kNibbleCodeBits = 7; // 0,0,1 + 4 bits: a zero byte or a copy at 1..14
constexpr uint32_t kShortMatchBits = 12;
constexpr uint32_t kMaxShortDistance = 127;
constexpr uint32_t kMaxNearDistance = 14;
constexpr uint32_t kRunBlock = 256;
constexpr uint32_t kInfinite = 0xFFFFFFFFu;

inline uint32_t log2_floor(uint32_t v) {
    return 31 - uint32_t(__builtin_clz(v));
}
inline uint32_t gamma_bits(uint32_t v) {
    return 2 * log2_floor(v);
}

// What the decoder adds to a normal match's coded length at this distance.
inline uint32_t length_bonus(uint32_t d) {
    if (d >= 0x10000) return 3;
    if (d >= 0x37FF) return 2;
    if (d >= 0x27F) return 1;
    if (d > 0x7F) return 0;
    return 4;
}
inline uint32_t min_normal_length(uint32_t d) {
    return length_bonus(d) + 2;
}

inline uint32_t normal_match_bits(uint32_t d, uint32_t length) {
    return 2 + gamma_bits((d >> kOffsetWidth) + 3) + kOffsetWidth +
           gamma_bits(length - length_bonus(d));
}
inline uint32_t repeat_match_bits(uint32_t length) {
    return 2 + 2 + gamma_bits(length);
}

// ---------------------------------------------------------------------------------------------

class BitWriter {
  public:
    explicit BitWriter(std::vector<uint8_t>& out) : out_(out) {}
    // Up to 32 bits, most significant first.
    void put(uint32_t value, uint32_t bits) {
        if (bits == 0) return;
        acc_ = (acc_ << bits) | (uint64_t(value) & ((uint64_t(1) << bits) - 1));
        used_ += bits;
        if (used_ >= 32) {
            used_ -= 32;
            uint32_t w = uint32_t(acc_ >> used_);
            uint8_t le[4] = {uint8_t(w), uint8_t(w >> 8), uint8_t(w >> 16), uint8_t(w >> 24)};
            out_.insert(out_.end(), le, le + 4);
            acc_ &= (uint64_t(1) << used_) - 1;
        }
    }
    void gamma(uint32_t v) {
        for (int i = int(log2_floor(v)) - 1; i >= 0; --i)
            put(((v >> i) & 1) << 1 | (i > 0 ? 1 : 0), 2);
    }
    // The last word is completed with zero bits.
    void flush() {
        if (used_ > 0) put(0, 32 - used_);
    }

  private:
    std::vector<uint8_t>& out_;
    uint64_t acc_ = 0;
    uint32_t used_ = 0;
};

// ---------------------------------------------------------------------------------------------

struct LevelSettings {
    uint32_t chain_depth; // candidates visited per position
    uint32_t nice_length; // a match this long is taken without weighing the positions inside
    uint32_t window_bits; // farthest distance searched is 2^window_bits - 1
};

constexpr LevelSettings kLevels[kJcMaxLevel + 1] = {
    {0, 0, 0},    {2, 16, 16},  {4, 24, 17},   {8, 32, 18},    {12, 48, 19},
    {16, 64, 20}, {32, 96, 21}, {64, 128, 22}, {128, 192, 22}, {256, 273, 23},
};

inline uint32_t read24(const uint8_t* p) {
    return uint32_t(p[0]) | p[1] << 8 | p[2] << 16;
}

inline uint32_t match_length(const uint8_t* a, const uint8_t* b, uint32_t limit) {
    uint32_t n = 0;
    while (n + 8 <= limit) {
        uint64_t x, y;
        std::memcpy(&x, a + n, 8);
        std::memcpy(&y, b + n, 8);
        if (x != y) return n + uint32_t(__builtin_ctzll(x ^ y)) / 8;
        n += 8;
    }
    while (n < limit && a[n] == b[n])
        ++n;
    return n;
}

struct Candidate {
    uint32_t length;
    uint32_t distance;
};

class MatchFinder {
  public:
    MatchFinder(const uint8_t* data, size_t size, const LevelSettings& s)
        : data_(data), size_(size), settings_(s), window_mask_((1u << s.window_bits) - 1),
          head_(size_t(1) << kHashBits, -1),
          chain_(std::min<size_t>(size_t(1) << s.window_bits, std::max<size_t>(size, 1)), -1),
          head2_(65536, -1) {
        chain_mask_ = chain_.size() - 1;
        // chain_ is indexed by pos & mask, so its size must be a power of two.
        size_t pow2 = 1;
        while (pow2 < chain_.size())
            pow2 <<= 1;
        chain_.assign(pow2, -1);
        chain_mask_ = pow2 - 1;
    }

    // Longest matches of growing length at the nearest distances, for a match starting at pos
    // and ending by limit. Afterwards pos is entered into the tables.
    void find(uint32_t pos, uint32_t limit, std::vector<Candidate>& out) {
        out.clear();
        const uint8_t* cur = data_ + pos;
        uint32_t best = 1;
        if (limit >= 2) {
            // Two-byte matches pay only at distances the short and middle forms reach cheaply.
            int32_t p2 = head2_[cur[0] | cur[1] << 8];
            if (p2 >= 0 && pos - uint32_t(p2) <= 638) {
                uint32_t len = match_length(cur, data_ + p2, limit);
                out.push_back({len, pos - uint32_t(p2)});
                best = len;
            }
        }
        if (limit >= 3 && best < settings_.nice_length) {
            int32_t cand = head_[hash(pos)];
            uint32_t depth = settings_.chain_depth;
            const uint32_t max_distance = window_mask_;
            while (cand >= 0 && depth-- > 0) {
                uint32_t d = pos - uint32_t(cand);
                if (d > max_distance) break;
                const uint8_t* c = data_ + cand;
                if (best < limit && c[best] == cur[best] && c[0] == cur[0]) {
                    uint32_t len = match_length(cur, c, limit);
                    if (len > best) {
                        out.push_back({len, d});
                        best = len;
                        if (len >= settings_.nice_length || len == limit) break;
                    }
                }
                int32_t next = chain_[uint32_t(cand) & chain_mask_];
                if (next >= cand) break; // the slot was reused by a newer position
                cand = next;
            }
        }
        insert(pos);
    }

    void insert(uint32_t pos) {
        if (pos + 2 <= size_) head2_[data_[pos] | data_[pos + 1] << 8] = int32_t(pos);
        if (pos + 3 > size_) return;
        uint32_t h = hash(pos);
        chain_[pos & chain_mask_] = head_[h];
        head_[h] = int32_t(pos);
    }

  private:
    static constexpr uint32_t kHashBits = 17;
    uint32_t hash(uint32_t pos) const {
        return (read24(data_ + pos) * 2654435761u) >> (32 - kHashBits);
    }

    const uint8_t* data_;
    size_t size_;
    LevelSettings settings_;
    uint32_t window_mask_;
    std::vector<int32_t> head_;
    std::vector<int32_t> chain_;
    size_t chain_mask_;
    std::vector<int32_t> head2_;
};

// ---------------------------------------------------------------------------------------------

enum class Kind : uint8_t { literal, zero, near, short_match, normal_match, repeat, run };

struct Token {
    Kind kind;
    uint32_t pos;
    uint32_t length;   // bytes produced
    uint32_t distance; // match distance; for run, the number of 256-byte blocks
};

struct Node {
    uint32_t cost;
    uint32_t last_offset;
    uint32_t length; // bytes of the token that ends here
    uint32_t distance;
    Kind kind;
};

constexpr uint32_t kBlockSize = 1u << 18;
// Zones over which one literal width and bias apply are picked from segments of this many bytes.
constexpr uint32_t kZoneSegment = 4096;
constexpr uint32_t kWidthChangeBits8 = 9;
constexpr uint32_t kWidthChangeBits7 = 17;

class Encoder {
  public:
    Encoder(const uint8_t* data, size_t size, int level)
        : data_(data), size_(size), settings_(kLevels[level]), finder_(data, size, settings_),
          writer_(out_) {}

    std::vector<uint8_t> run() {
        uint8_t header[kJcHeaderSize] = {'J', 'C'};
        uint32_t n = uint32_t(size_), check = jc_checksum(data_, size_);
        for (int i = 0; i < 4; ++i) {
            header[2 + i] = uint8_t(n >> (8 * i));
            header[6 + i] = uint8_t(check >> (8 * i));
        }
        out_.assign(header, header + kJcHeaderSize);
        if (size_ == 0) set_width(8, 0);
        for (size_t start = 0; start < size_; start += kBlockSize) {
            uint32_t end = uint32_t(std::min(size_, start + kBlockSize));
            parse_block(uint32_t(start), end);
            mark_literal_runs();
            emit_block(uint32_t(start), end);
        }
        writer_.put(0, 12); // end token: 0,0,0 + seven zero bits + 0,0
        writer_.flush();
        return std::move(out_);
    }

  private:
    void relax(uint32_t at, uint32_t cost, Kind kind, uint32_t length, uint32_t distance,
               uint32_t last_offset) {
        Node& n = nodes_[at];
        if (cost < n.cost) n = Node{cost, last_offset, length, distance, kind};
    }

    // Forward price-based parse: every position keeps its cheapest way in and the last offset
    // of that way, which prices the repeat match from there.
    void parse_block(uint32_t start, uint32_t end) {
        const uint32_t count = end - start;
        nodes_.assign(count + 1, Node{kInfinite, 0, 0, 0, Kind::literal});
        nodes_[0].cost = 0;
        nodes_[0].last_offset = last_offset_;
        uint32_t skip_to = 0;
        for (uint32_t i = 0; i < count; ++i) {
            const uint32_t pos = start + i;
            const uint32_t limit = end - pos;
            if (i < skip_to) {
                finder_.insert(pos);
                continue;
            }
            const Node here = nodes_[i];
            const uint32_t c = here.cost;
            const uint32_t r = here.last_offset;
            const uint8_t byte = data_[pos];

            relax(i + 1, c + kLiteralBits, Kind::literal, 1, 0, r);
            if (byte == 0) {
                relax(i + 1, c + kNibbleCodeBits, Kind::zero, 1, 0, r);
            } else {
                for (uint32_t d = 1; d <= kMaxNearDistance && d <= pos; ++d)
                    if (data_[pos - d] == byte) {
                        relax(i + 1, c + kNibbleCodeBits, Kind::near, 1, d, r);
                        break;
                    }
            }
            if (r <= pos && limit >= 2) {
                uint32_t len = match_length(data_ + pos, data_ + pos - r, limit);
                if (len >= settings_.nice_length) {
                    relax(i + len, c + repeat_match_bits(len), Kind::repeat, len, r, r);
                    finder_.insert(pos);
                    skip_to = i + len;
                    continue;
                }
                for (uint32_t l = 2; l <= len; ++l)
                    relax(i + l, c + repeat_match_bits(l), Kind::repeat, l, r, r);
            }

            finder_.find(pos, limit, candidates_);
            if (candidates_.empty()) continue;
            const Candidate longest = candidates_.back();
            if (longest.length >= settings_.nice_length) {
                price_match(i, c, longest.distance, longest.length, longest.length);
                skip_to = i + longest.length;
                continue;
            }
            uint32_t from = 2;
            for (const Candidate& m : candidates_) {
                price_match(i, c, m.distance, from, m.length);
                from = m.length + 1;
            }
        }

        tokens_.clear();
        for (uint32_t at = count; at > 0;) {
            const Node& n = nodes_[at];
            at -= n.length;
            tokens_.push_back(Token{n.kind, start + at, n.length, n.distance});
        }
        std::reverse(tokens_.begin(), tokens_.end());
        last_offset_ = nodes_[count].last_offset;
    }

    void price_match(uint32_t i, uint32_t c, uint32_t d, uint32_t from, uint32_t to) {
        for (uint32_t l = from; l <= to; ++l) {
            if (d <= kMaxShortDistance && l <= 5) {
                relax(i + l, c + kShortMatchBits, Kind::short_match, l, d, d);
            } else if (l >= min_normal_length(d)) {
                relax(i + l, c + normal_match_bits(d, l), Kind::normal_match, l, d, d);
            }
        }
    }

    static uint32_t token_bits(const Token& t) {
        switch (t.kind) {
        case Kind::literal:
            return kLiteralBits;
        case Kind::zero:
        case Kind::near:
            return kNibbleCodeBits;
        case Kind::short_match:
            return kShortMatchBits;
        case Kind::normal_match:
            return normal_match_bits(t.distance, t.length);
        case Kind::repeat:
            return repeat_match_bits(t.length);
        default:
            return 0;
        }
    }

    // Incompressible stretches: 256 plain literals cost 2304 bits one by one but 2049 as a
    // block of a literal run. The parse prices bytes one at a time, so in noise it scatters
    // one-byte copies and two-byte matches that save a bit or two each; a stretch made only of
    // such tokens (6 or more bits a byte) becomes a run where that is cheaper overall.
    void mark_literal_runs() {
        std::vector<Token> merged;
        merged.reserve(tokens_.size());
        auto weak = [](const Token& t) {
            return t.kind != Kind::run && token_bits(t) >= 6 * t.length;
        };
        size_t i = 0;
        while (i < tokens_.size()) {
            if (!weak(tokens_[i])) {
                merged.push_back(tokens_[i++]);
                continue;
            }
            size_t j = i;
            uint32_t bytes = 0;
            while (j < tokens_.size() && weak(tokens_[j]))
                bytes += tokens_[j++].length;
            const uint32_t blocks = bytes / kRunBlock, target = blocks * kRunBlock;
            uint32_t covered = 0, cost = 0, rest = 0;
            size_t m = i;
            while (m < j && covered < target) {
                cost += token_bits(tokens_[m]);
                covered += tokens_[m++].length;
            }
            if (covered > target) rest = covered - target;
            if (blocks > 0 && cost > 8 + blocks * (kRunBlock * 8 + 1) + rest * kLiteralBits) {
                merged.push_back(Token{Kind::run, tokens_[i].pos, target, blocks});
                // The bytes of a token cut by the run's end go out as literals.
                for (uint32_t p = tokens_[i].pos + target; p < tokens_[i].pos + covered; ++p)
                    merged.push_back(Token{Kind::literal, p, 1, 0});
                i = m;
            } else {
                for (; i < j; ++i)
                    merged.push_back(tokens_[i]);
            }
        }
        tokens_.swap(merged);
    }

    // A bias that fits every value present into 0..127 after subtraction, or -1.
    static int fitting_bias(const bool present[256]) {
        // The window [b, b+127] holds every value when [b+128, b+255] holds none.
        int absent_run = 0;
        for (int j = 0; j < 512; ++j) {
            absent_run = present[j & 255] ? 0 : absent_run + 1;
            if (j >= 255 && absent_run >= 128) return (j - 255) & 255;
        }
        return -1;
    }

    void set_width(uint32_t width, uint32_t bias) {
        if (width == width_ && bias == bias_) return;
        writer_.put(0x20, 8); // 0,0,1 + 0000 + 0
        writer_.put(width - 7, 1);
        if (width == 7) writer_.put(bias, 8);
        width_ = width;
        bias_ = bias;
    }

    void emit_block(uint32_t start, uint32_t end) {
        // Literal values per segment, then segments grouped while one bias still fits them all.
        const uint32_t segments = (end - start + kZoneSegment - 1) / kZoneSegment;
        std::vector<int> zone_width(segments, 8), zone_bias(segments, 0);
        std::vector<std::array<bool, 256>> present(segments);
        std::vector<uint32_t> literals(segments, 0);
        for (auto& p : present)
            p.fill(false);
        for (const Token& t : tokens_)
            if (t.kind == Kind::literal) {
                uint32_t s = (t.pos - start) / kZoneSegment;
                present[s][data_[t.pos]] = true;
                ++literals[s];
            }
        for (uint32_t s = 0; s < segments;) {
            bool group[256];
            std::copy(present[s].begin(), present[s].end(), group);
            int bias = fitting_bias(group);
            uint32_t e = s + 1, count = literals[s];
            if (bias >= 0) {
                while (e < segments) {
                    bool wider[256];
                    for (int v = 0; v < 256; ++v)
                        wider[v] = group[v] || present[e][v];
                    int b = fitting_bias(wider);
                    if (b < 0) break;
                    std::copy(wider, wider + 256, group);
                    bias = b;
                    count += literals[e++];
                }
            }
            // One bit saved per literal against a change there and, at worst, one back.
            if (bias >= 0 && count > kWidthChangeBits7 + kWidthChangeBits8)
                for (uint32_t k = s; k < e; ++k) {
                    zone_width[k] = 7;
                    zone_bias[k] = bias;
                }
            s = e;
        }

        for (const Token& t : tokens_) {
            const uint32_t s = (t.pos - start) / kZoneSegment;
            switch (t.kind) {
            case Kind::literal:
                emit_literal(t.pos, zone_width[s], zone_bias[s]);
                break;
            case Kind::run:
                if (width_ == 0) set_width(uint32_t(zone_width[s]), uint32_t(zone_bias[s]));
                writer_.put(0x21, 8); // 0,0,1 + 0000 + 1
                for (uint32_t b = 0; b < t.distance; ++b) {
                    const uint8_t* p = data_ + t.pos + b * kRunBlock;
                    for (uint32_t k = 0; k < kRunBlock; k += 4)
                        writer_.put(
                            uint32_t(p[k]) << 24 | p[k + 1] << 16 | p[k + 2] << 8 | p[k + 3], 32);
                    writer_.put(b + 1 < t.distance ? 1 : 0, 1);
                }
                break;
            default:
                // Every stream opens with a width change, whatever its first token.
                if (width_ == 0) set_width(uint32_t(zone_width[s]), uint32_t(zone_bias[s]));
                if (t.kind == Kind::repeat && t.distance != emitted_last_offset_) {
                    // The match that set this distance went into a literal run.
                    emit_copy(t, zone_width[s], zone_bias[s]);
                } else {
                    emit_match(t);
                }
            }
        }
    }

    void emit_literal(uint32_t pos, int width, int bias) {
        // Literals that replace a repeat were not counted when the zone's bias was chosen.
        if (width == 7 && ((data_[pos] - bias) & 0xFF) >= 128) width = 8, bias = 0;
        set_width(uint32_t(width), uint32_t(bias));
        writer_.put(1, 1);
        writer_.put(uint32_t(data_[pos] - bias_) & 0xFF, width_);
    }

    // A copy at a given distance in whichever form can carry it, else as literals.
    void emit_copy(const Token& t, int width, int bias) {
        Token m = t;
        if (t.distance <= kMaxShortDistance && t.length <= 5) {
            m.kind = Kind::short_match;
        } else if (t.length >= min_normal_length(t.distance)) {
            m.kind = Kind::normal_match;
        } else {
            for (uint32_t p = t.pos; p < t.pos + t.length; ++p)
                emit_literal(p, width, bias);
            return;
        }
        emit_match(m);
    }

    void emit_match(const Token& t) {
        switch (t.kind) {
        case Kind::zero:
            writer_.put(0x11, 7); // 0,0,1 + 0001
            break;
        case Kind::near:
            writer_.put(0x10 | (t.distance + 1), 7);
            break;
        case Kind::short_match:
            emitted_last_offset_ = t.distance;
            writer_.put(0, 3);
            writer_.put(t.distance, 7);
            writer_.put(t.length - 2, 2);
            break;
        case Kind::normal_match:
            emitted_last_offset_ = t.distance;
            writer_.put(1, 2);
            writer_.gamma((t.distance >> kOffsetWidth) + 3);
            writer_.put(t.distance & ((1u << kOffsetWidth) - 1), kOffsetWidth);
            writer_.gamma(t.length - length_bonus(t.distance));
            break;
        case Kind::repeat:
            writer_.put(1, 2);
            writer_.gamma(2);
            writer_.gamma(t.length);
            break;
        default:
            break;
        }
    }

    const uint8_t* data_;
    size_t size_;
    LevelSettings settings_;
    MatchFinder finder_;
    std::vector<uint8_t> out_;
    BitWriter writer_;
    std::vector<Node> nodes_;
    std::vector<Token> tokens_;
    std::vector<Candidate> candidates_;
    uint32_t last_offset_ = 1;         // as the parse assumes it
    uint32_t emitted_last_offset_ = 1; // as the decoder will have it
    uint32_t width_ = 0;               // 0 until the opening width change
    uint32_t bias_ = 0;
};

} // namespace

std::vector<uint8_t> jc_encode(const uint8_t* data, size_t size, int level) {
    level = std::clamp(level, kJcMinLevel, kJcMaxLevel);
    if (!data) size = 0;
    static const uint8_t none = 0;
    return Encoder(data ? data : &none, size, level).run();
}
