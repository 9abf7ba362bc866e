#include "stream_encode.h"

#include "payload/little_endian.h"
#include "payload/stream_format.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

// ---------------------------------------------------------------------------------------------
// Token prices in bits, as the decoder reads them.

constexpr uint32_t kInitialOffsetWidth = 8; // the decoder's, until a width change
constexpr uint32_t kMaxOffsetWidth = 20;
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

inline uint32_t distance_bits(uint32_t d, uint32_t width) {
    return gamma_bits((d >> width) + 3) + width;
}
inline uint32_t normal_match_bits(uint32_t d, uint32_t length, uint32_t width) {
    return 2 + distance_bits(d, width) + gamma_bits(length - length_bonus(d));
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
            uint8_t le[4];
            write_le32(le, w);
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
    uint32_t states;      // arrivals kept per position by the parse
    uint32_t chain_depth; // tree nodes visited per position
    uint32_t nice_length; // a match this long is taken without weighing the positions inside
    uint32_t window_bits; // farthest distance searched is 2^window_bits - 1
};

constexpr LevelSettings kLevels[kStreamMaxLevel + 1] = {
    {0, 0, 0, 0},    {1, 4, 16, 16},  {1, 8, 24, 18},   {1, 8, 32, 20},   {2, 16, 48, 21},
    {2, 16, 64, 22}, {3, 24, 96, 22}, {3, 32, 128, 23}, {4, 48, 192, 23}, {4, 64, 192, 24},
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

// Binary trees over the earlier positions that share a 3-byte hash: each search descends one
// tree, ordered by the bytes that follow, and re-roots it at the current position on the way
// down, so a few dozen steps find the longest matches even in a window of megabytes. Two-byte
// matches come from a table of last occurrences.
class MatchFinder {
  public:
    MatchFinder(const uint8_t* data, size_t size, const LevelSettings& s)
        : data_(data), size_(size), settings_(s), window_mask_((1u << s.window_bits) - 1),
          head_(size_t(1) << kHashBits, kNone), head2_(65536, kNone) {
        // Indexed by position & mask: a power of two, no larger than the window or the input.
        size_t ring = 1;
        while (ring < std::min<size_t>(size_t(1) << s.window_bits, std::max<size_t>(size, 1)))
            ring <<= 1;
        tree_.assign(2 * ring, kNone);
        ring_mask_ = uint32_t(ring - 1);
    }

    // Matches of growing length, each at the nearest distance the search met, for a match at
    // pos that may run up to limit bytes. Afterwards pos is in the tables.
    void find(uint32_t pos, uint32_t limit, std::vector<Candidate>& out) {
        out.clear();
        const uint8_t* cur = data_ + pos;
        uint32_t best = 1;
        if (limit >= 2) {
            // Two-byte matches pay only at distances the short and middle forms reach cheaply.
            uint32_t p2 = head2_[cur[0] | cur[1] << 8];
            if (p2 != kNone && pos - p2 <= 638) {
                uint32_t len = match_length(cur, data_ + p2, limit);
                out.push_back({len, pos - p2});
                best = len;
            }
        }
        walk(pos, limit, &out, best, settings_.chain_depth);
        // The tree compares no further than the nice length; the longest match may go on.
        if (!out.empty() && out.back().length >= settings_.nice_length)
            out.back().length = match_length(cur, cur - out.back().distance, limit);
    }

    // Positions inside a long match are only entered: a shallower walk keeps the trees in
    // order well enough at a quarter of the cost.
    void insert(uint32_t pos) { walk(pos, 0, nullptr, 0, settings_.chain_depth / 4 + 1); }

  private:
    static constexpr uint32_t kHashBits = 17;
    static constexpr uint32_t kNone = 0xFFFFFFFFu;
    uint32_t hash(uint32_t pos) const {
        return (read24(data_ + pos) * 2654435761u) >> (32 - kHashBits);
    }

    void walk(uint32_t pos, uint32_t limit, std::vector<Candidate>* out, uint32_t best,
              uint32_t max_depth) {
        if (pos + 2 <= size_) head2_[data_[pos] | data_[pos + 1] << 8] = pos;
        if (pos + 3 > size_) return;
        const uint8_t* cur = data_ + pos;
        const uint32_t cap = uint32_t(std::min<size_t>(size_ - pos, settings_.nice_length));
        const uint32_t h = hash(pos);
        uint32_t candidate = head_[h];
        head_[h] = pos;
        uint32_t* smaller = &tree_[2 * (pos & ring_mask_)];    // where the next smaller goes
        uint32_t* larger = &tree_[2 * (pos & ring_mask_) + 1]; // where the next larger goes
        uint32_t smaller_len = 0, larger_len = 0;
        for (uint32_t depth = max_depth;; --depth) {
            const uint32_t distance = pos - candidate;
            if (candidate == kNone || depth == 0 || distance > window_mask_) {
                *smaller = *larger = kNone;
                return;
            }
            uint32_t* pair = &tree_[2 * (candidate & ring_mask_)];
            const uint8_t* old = data_ + candidate;
            uint32_t len = std::min(smaller_len, larger_len);
            if (old[len] == cur[len]) {
                len += match_length(cur + len, old + len, cap - len);
                if (out && len > best) {
                    best = len;
                    uint32_t usable = std::min(len, limit);
                    if (out->empty() || usable > out->back().length)
                        out->push_back({usable, distance});
                }
                if (len == cap) { // equal as far as we look: take over its subtrees
                    *smaller = pair[0];
                    *larger = pair[1];
                    return;
                }
            }
            if (old[len] < cur[len]) {
                *smaller = candidate;
                smaller = &pair[1];
                candidate = *smaller;
                smaller_len = len;
            } else {
                *larger = candidate;
                larger = &pair[0];
                candidate = *larger;
                larger_len = len;
            }
        }
    }

    const uint8_t* data_;
    size_t size_;
    LevelSettings settings_;
    uint32_t window_mask_;
    uint32_t ring_mask_;
    std::vector<uint32_t> head_;
    std::vector<uint32_t> tree_;
    std::vector<uint32_t> head2_;
};

// ---------------------------------------------------------------------------------------------

enum class Kind : uint8_t { kLiteral, kZero, kNear, kShortMatch, kNormalMatch, kRepeat, kRun };

struct Token {
    Kind kind;
    uint32_t pos;
    uint32_t length;   // bytes produced
    uint32_t distance; // match distance; for run, the number of 256-byte blocks
};

// One way to arrive at a position: its price so far, the last offset it leaves, and the token
// that ends here with the arrival it came from at the token's start.
struct Node {
    uint32_t cost;
    uint32_t last_offset;
    uint32_t length;
    uint32_t distance;
    uint32_t from_state;
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
          writer_(out_), states_(settings_.states) {}

    std::vector<uint8_t> run() {
        uint8_t header[kStreamHeaderSize] = {kStreamMagic[0], kStreamMagic[1]};
        write_le32(header + 2, uint32_t(size_));
        write_le32(header + 6, stream_checksum(data_, size_));
        out_.assign(header, header + kStreamHeaderSize);
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
    // Keeps the cheapest arrivals at a position, at most one per last offset, cheapest first.
    void relax(uint32_t at, uint32_t cost, Kind kind, uint32_t length, uint32_t distance,
               uint32_t last_offset, uint32_t from_state) {
        Node* slots = &nodes_[size_t(at) * states_];
        uint32_t k = 0;
        while (k < states_ && slots[k].cost != kInfinite && slots[k].last_offset != last_offset)
            ++k;
        if (k == states_) k = states_ - 1; // all taken by other offsets: the dearest goes
        if (cost >= slots[k].cost) return;
        slots[k] = Node{cost, last_offset, length, distance, from_state, kind};
        for (; k > 0 && slots[k].cost < slots[k - 1].cost; --k)
            std::swap(slots[k], slots[k - 1]);
    }

    // Forward price-based parse. Every position keeps its cheapest ways in, with differing last
    // offsets, because a repeat match is so much cheaper than a normal one that the path worth
    // following is often not the cheapest one so far. New distances are taken only from the
    // cheapest way, since a match replaces the last offset anyway.
    void parse_block(uint32_t start, uint32_t end) {
        const uint32_t count = end - start;
        nodes_.assign(size_t(count + 1) * states_, Node{kInfinite, 0, 0, 0, 0, Kind::kLiteral});
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
            const uint8_t byte = data_[pos];
            uint32_t near = 0;
            if (byte != 0)
                for (uint32_t d = 1; d <= kMaxNearDistance && d <= pos; ++d)
                    if (data_[pos - d] == byte) {
                        near = d;
                        break;
                    }
            bool long_repeat = false;
            for (uint32_t st = 0; st < states_; ++st) {
                const Node here = nodes_[size_t(i) * states_ + st];
                if (here.cost == kInfinite) break;
                const uint32_t c = here.cost, r = here.last_offset;
                relax(i + 1, c + kLiteralBits, Kind::kLiteral, 1, 0, r, st);
                if (byte == 0)
                    relax(i + 1, c + kNibbleCodeBits, Kind::kZero, 1, 0, r, st);
                else if (near)
                    relax(i + 1, c + kNibbleCodeBits, Kind::kNear, 1, near, r, st);
                if (r > pos || limit < 2) continue;
                uint32_t len = match_length(data_ + pos, data_ + pos - r, limit);
                if (len >= settings_.nice_length) {
                    relax(i + len, c + repeat_match_bits(len), Kind::kRepeat, len, r, r, st);
                    skip_to = std::max(skip_to, i + len);
                    long_repeat = true;
                    continue;
                }
                for (uint32_t l = 2; l <= len; ++l)
                    relax(i + l, c + repeat_match_bits(l), Kind::kRepeat, l, r, r, st);
            }
            if (long_repeat) {
                finder_.insert(pos);
                continue;
            }

            finder_.find(pos, limit, candidates_);
            if (candidates_.empty()) continue;
            const uint32_t c = nodes_[size_t(i) * states_].cost;
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
        uint32_t st = 0;
        for (uint32_t at = count; at > 0;) {
            const Node& n = nodes_[size_t(at) * states_ + st];
            at -= n.length;
            st = n.from_state;
            tokens_.push_back(Token{n.kind, start + at, n.length, n.distance});
        }
        std::reverse(tokens_.begin(), tokens_.end());
        last_offset_ = nodes_[size_t(count) * states_].last_offset;
    }

    void price_match(uint32_t i, uint32_t c, uint32_t d, uint32_t from, uint32_t to) {
        for (uint32_t l = from; l <= to; ++l) {
            if (d <= kMaxShortDistance && l <= 5) {
                relax(i + l, c + kShortMatchBits, Kind::kShortMatch, l, d, d, 0);
            } else if (l >= min_normal_length(d)) {
                relax(i + l, c + normal_match_bits(d, l, offset_width_), Kind::kNormalMatch, l, d,
                      d, 0);
            }
        }
    }

    static uint32_t token_bits(const Token& t) {
        switch (t.kind) {
        case Kind::kLiteral:
            return kLiteralBits;
        case Kind::kZero:
        case Kind::kNear:
            return kNibbleCodeBits;
        case Kind::kShortMatch:
            return kShortMatchBits;
        case Kind::kNormalMatch:
            return normal_match_bits(t.distance, t.length, kInitialOffsetWidth);
        case Kind::kRepeat:
            return repeat_match_bits(t.length);
        default:
            return 0;
        }
    }

    // Incompressible stretches: 256 plain literals cost 2304 bits one by one but 2049 as a
    // block of a literal run. The parse prices bytes one at a time, so in noise it scatters
    // one-byte copies and short matches that save a few bits each; a stretch made only of
    // tokens that save at most 12 bits against 8 bits a byte becomes a run where that is
    // cheaper overall, instead of being cut into pieces too short for a block.
    void mark_literal_runs() {
        std::vector<Token> merged;
        merged.reserve(tokens_.size());
        auto weak = [](const Token& t) {
            return t.kind != Kind::kRun && token_bits(t) + 12 >= 8 * t.length;
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
                merged.push_back(Token{Kind::kRun, tokens_[i].pos, target, blocks});
                // The bytes of a token cut by the run's end go out as literals.
                for (uint32_t p = tokens_[i].pos + target; p < tokens_[i].pos + covered; ++p)
                    merged.push_back(Token{Kind::kLiteral, p, 1, 0});
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

    // The offset width only splits a distance between its gamma part and its plain bits, so
    // the block's parsed distances can be weighed under every width and the best one taken,
    // when it saves more than the change costs. The next block's parse prices with it.
    void choose_offset_width() {
        uint64_t bits[kMaxOffsetWidth + 1] = {};
        for (const Token& t : tokens_)
            if (t.kind == Kind::kNormalMatch)
                for (uint32_t w = 1; w <= kMaxOffsetWidth; ++w)
                    bits[w] += distance_bits(t.distance, w);
        uint32_t best = offset_width_;
        for (uint32_t w = 1; w <= kMaxOffsetWidth; ++w)
            if (bits[w] < bits[best]) best = w;
        const uint32_t m = best < 16 ? 1 : 2; // the width's own field is m + 3 bits
        if (best == offset_width_ || bits[offset_width_] - bits[best] <= 12 + m + 3) return;
        if (width_ == 0) set_width(8, 0); // the stream's first token stays a width change
        writer_.put(0, 10);               // 0,0,0 + seven zero bits
        writer_.put(m, 2);
        writer_.put(best, m + 3);
        offset_width_ = best;
    }

    void emit_block(uint32_t start, uint32_t end) {
        choose_offset_width();
        // Literal values per segment, then segments grouped while one bias still fits them all.
        const uint32_t segments = (end - start + kZoneSegment - 1) / kZoneSegment;
        std::vector<int> zone_width(segments, 8), zone_bias(segments, 0);
        std::vector<std::array<bool, 256>> present(segments);
        std::vector<uint32_t> literals(segments, 0);
        for (auto& p : present)
            p.fill(false);
        for (const Token& t : tokens_)
            if (t.kind == Kind::kLiteral) {
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
            case Kind::kLiteral:
                emit_literal(t.pos, zone_width[s], zone_bias[s]);
                break;
            case Kind::kRun:
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
                if (t.kind == Kind::kRepeat && t.distance != emitted_last_offset_) {
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
            m.kind = Kind::kShortMatch;
        } else if (t.length >= min_normal_length(t.distance)) {
            m.kind = Kind::kNormalMatch;
        } else {
            for (uint32_t p = t.pos; p < t.pos + t.length; ++p)
                emit_literal(p, width, bias);
            return;
        }
        emit_match(m);
    }

    void emit_match(const Token& t) {
        switch (t.kind) {
        case Kind::kZero:
            writer_.put(0x11, 7); // 0,0,1 + 0001
            break;
        case Kind::kNear:
            writer_.put(0x10 | (t.distance + 1), 7);
            break;
        case Kind::kShortMatch:
            emitted_last_offset_ = t.distance;
            writer_.put(0, 3);
            writer_.put(t.distance, 7);
            writer_.put(t.length - 2, 2);
            break;
        case Kind::kNormalMatch:
            emitted_last_offset_ = t.distance;
            writer_.put(1, 2);
            writer_.gamma((t.distance >> offset_width_) + 3);
            writer_.put(t.distance & ((1u << offset_width_) - 1), offset_width_);
            writer_.gamma(t.length - length_bonus(t.distance));
            break;
        case Kind::kRepeat:
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
    uint32_t states_;
    std::vector<Token> tokens_;
    std::vector<Candidate> candidates_;
    uint32_t offset_width_ = kInitialOffsetWidth;
    uint32_t last_offset_ = 1;         // as the parse assumes it
    uint32_t emitted_last_offset_ = 1; // as the decoder will have it
    uint32_t width_ = 0;               // 0 until the opening width change
    uint32_t bias_ = 0;
};

} // namespace

std::vector<uint8_t> stream_encode(const uint8_t* data, size_t size, int level) {
    level = std::clamp(level, kStreamMinLevel, kStreamMaxLevel);
    if (size > 0xFFFFFFFFu) return {}; // the header holds a 32-bit size
    if (!data) size = 0;
    static const uint8_t none = 0;
    return Encoder(data ? data : &none, size, level).run();
}
