#include "driver/words.h"

#include <cstdio>
#include <cstring>

bool split_words(const std::string& line, std::vector<std::string>& words, std::string& error) {
    words.clear();
    size_t i = 0;
    const size_t n = line.size();
    while (true) {
        while (i < n && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r' || line[i] == '\n'))
            ++i;
        if (i >= n) return true;
        std::string word;
        if (line[i] == '"') {
            ++i;
            bool closed = false;
            while (i < n) {
                char c = line[i];
                if (c == '\\' && i + 1 < n && (line[i + 1] == '"' || line[i + 1] == '\\')) {
                    word += line[i + 1];
                    i += 2;
                } else if (c == '"') {
                    ++i;
                    closed = true;
                    break;
                } else {
                    word += c;
                    ++i;
                }
            }
            if (!closed) {
                error = "unterminated quote";
                return false;
            }
            if (i < n && line[i] != ' ' && line[i] != '\t' && line[i] != '\r' && line[i] != '\n') {
                error = "text directly after a closing quote";
                return false;
            }
        } else {
            while (i < n && line[i] != ' ' && line[i] != '\t' && line[i] != '\r' && line[i] != '\n')
                word += line[i++];
        }
        words.push_back(word);
    }
}

static bool is_name_char(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

bool expand_variables(const std::string& word, const VariableLookup& lookup, std::string& out,
                      std::string& error) {
    out.clear();
    for (size_t i = 0; i < word.size();) {
        if (word[i] != '$') {
            out += word[i++];
            continue;
        }
        if (i + 1 < word.size() && word[i + 1] == '$') {
            out += '$';
            i += 2;
            continue;
        }
        std::string name;
        if (i + 1 < word.size() && word[i + 1] == '{') {
            size_t close = word.find('}', i + 2);
            if (close == std::string::npos) {
                error = "unterminated ${";
                return false;
            }
            name = word.substr(i + 2, close - i - 2);
            i = close + 1;
        } else {
            size_t j = i + 1;
            while (j < word.size() && is_name_char(word[j]))
                ++j;
            name = word.substr(i + 1, j - i - 1);
            i = j;
        }
        if (name.empty()) {
            error = "a $ without a variable name (write $$ for a $)";
            return false;
        }
        std::string value;
        if (!lookup(name, value)) {
            error = "unknown variable $" + name;
            return false;
        }
        out += value;
    }
    return true;
}

// Code points of the bytes 0x80..0x9F in Windows-1252; 0 marks the five undefined bytes.
static const uint16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

bool utf8_to_cp1252(const std::string& in, std::string& out, std::string& error) {
    out.clear();
    const auto* s = reinterpret_cast<const unsigned char*>(in.data());
    const size_t n = in.size();
    for (size_t i = 0; i < n;) {
        uint32_t cp;
        size_t len;
        unsigned char c = s[i];
        if (c < 0x80) {
            cp = c;
            len = 1;
        } else if ((c & 0xE0) == 0xC0) {
            cp = c & 0x1F;
            len = 2;
        } else if ((c & 0xF0) == 0xE0) {
            cp = c & 0x0F;
            len = 3;
        } else if ((c & 0xF8) == 0xF0) {
            cp = c & 0x07;
            len = 4;
        } else {
            error = "malformed UTF-8 at byte " + std::to_string(i);
            return false;
        }
        if (i + len > n) {
            error = "truncated UTF-8 at byte " + std::to_string(i);
            return false;
        }
        for (size_t k = 1; k < len; ++k) {
            if ((s[i + k] & 0xC0) != 0x80) {
                error = "malformed UTF-8 at byte " + std::to_string(i);
                return false;
            }
            cp = (cp << 6) | (s[i + k] & 0x3F);
        }
        static const uint32_t kMinimum[5] = {0, 0, 0x80, 0x800, 0x10000};
        if (cp < kMinimum[len]) {
            error = "overlong UTF-8 at byte " + std::to_string(i);
            return false;
        }
        if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
            out += static_cast<char>(cp);
        } else {
            int found = -1;
            for (int k = 0; k < 32; ++k)
                if (kCp1252High[k] != 0 && kCp1252High[k] == cp) found = k;
            if (found < 0) {
                char hex[16];
                std::snprintf(hex, sizeof hex, "U+%04X", static_cast<unsigned>(cp));
                error = std::string("character ") + hex + " has no Windows-1252 form";
                return false;
            }
            out += static_cast<char>(0x80 + found);
        }
        i += len;
    }
    return true;
}

static void append_utf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string cp1252_to_utf8(const std::string& in) {
    std::string out;
    out.reserve(in.size());
    for (unsigned char c : in) {
        if (c >= 0x80 && c < 0xA0)
            append_utf8(out, kCp1252High[c - 0x80] ? kCp1252High[c - 0x80] : 0xFFFD);
        else
            append_utf8(out, c);
    }
    return out;
}

std::string windows_path(const std::string& path) {
    if (path.empty() || path[0] != '/') return path;
    std::string out = "Z:";
    for (char c : path)
        out += c == '/' ? '\\' : c;
    return out;
}

static char lower_ascii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string to_lower_ascii(std::string s) {
    for (char& c : s)
        c = lower_ascii(c);
    return s;
}

bool iequals(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lower_ascii(a[i]) != lower_ascii(b[i])) return false;
    return true;
}

bool istarts_with(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() && iequals(text.substr(0, prefix.size()), prefix);
}

bool parse_u32(const std::string& text, uint32_t& value) {
    if (text.empty()) return false;
    uint64_t v = 0;
    size_t i = 0;
    bool negative = false;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        for (i = 2; i < text.size(); ++i) {
            char c = lower_ascii(text[i]);
            int d = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
            if (d < 0) return false;
            v = v * 16 + static_cast<unsigned>(d);
            if (v > 0xFFFFFFFFull) return false;
        }
        value = static_cast<uint32_t>(v);
        return true;
    }
    if (text[0] == '-') {
        negative = true;
        i = 1;
        if (text.size() == 1) return false;
    }
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        v = v * 10 + static_cast<unsigned>(text[i] - '0');
        if (v > (negative ? 0x80000000ull : 0xFFFFFFFFull)) return false;
    }
    value =
        negative ? static_cast<uint32_t>(0u - static_cast<uint32_t>(v)) : static_cast<uint32_t>(v);
    return true;
}

bool parse_int(const std::string& text, int& value) {
    uint32_t v;
    if (!parse_u32(text, v)) return false;
    value = static_cast<int>(v);
    return true;
}

static inline uint32_t rotl32(uint32_t x, int r) {
    return (x << r) | (x >> (32 - r));
}

static inline uint32_t load32(const unsigned char* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

void ContentHash::block(const unsigned char* p) {
    for (int k = 0; k < 4; ++k)
        lanes_[k] = rotl32(lanes_[k] + load32(p + 4 * k) * 0x85ebca77u, 13) * 0x9e3779b1u;
}

void ContentHash::add(const unsigned char* data, size_t size) {
    total_ += size;
    if (tail_size_ > 0) {
        size_t take = 16 - tail_size_ < size ? 16 - tail_size_ : size;
        std::memcpy(tail_ + tail_size_, data, take);
        tail_size_ += take;
        data += take;
        size -= take;
        if (tail_size_ < 16) return;
        block(tail_);
        tail_size_ = 0;
    }
    while (size >= 16) {
        block(data);
        data += 16;
        size -= 16;
    }
    std::memcpy(tail_, data, size);
    tail_size_ = size;
}

static inline uint64_t mix64(uint64_t h) {
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdull;
    h ^= h >> 33;
    h *= 0xc4ceb9fe1a85ec53ull;
    h ^= h >> 33;
    return h;
}

uint64_t ContentHash::finish() const {
    uint64_t h = mix64(total_);
    for (int k = 0; k < 4; ++k)
        h = mix64(h ^ (static_cast<uint64_t>(lanes_[k]) << (k % 2 ? 32 : 0)));
    for (size_t i = 0; i < tail_size_; ++i)
        h = mix64(h ^ (static_cast<uint64_t>(tail_[i]) << 8 * (i % 8)) ^ (i + 1));
    return h;
}

std::string show_text(const std::string& cp1252) {
    std::string plain;
    for (unsigned char c : cp1252) {
        if (c == '\r')
            plain += "\\r";
        else if (c == '\n')
            plain += "\\n";
        else if (c == '\t')
            plain += "\\t";
        else if (c < 0x20 || c == 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            plain += hex;
        } else if (c == '"')
            plain += "\\\"";
        else
            plain += static_cast<char>(c);
    }
    return "\"" + cp1252_to_utf8(plain) + "\"";
}

bool split_crlf_lines(const std::string& content, std::vector<std::string>& lines,
                      std::string& error) {
    lines.clear();
    size_t start = 0;
    while (start < content.size()) {
        size_t end = content.find_first_of("\r\n", start);
        std::string where = "line " + std::to_string(lines.size() + 1);
        if (end == std::string::npos) {
            error = where + " " + show_text(content.substr(start)) + " has no CR LF at its end";
            return false;
        }
        if (content[end] == '\n' || end + 1 >= content.size() || content[end + 1] != '\n') {
            error = where + " " + show_text(content.substr(start, end - start)) + " ends with " +
                    (content[end] == '\n' ? "a lone LF" : "a lone CR");
            return false;
        }
        lines.push_back(content.substr(start, end - start));
        start = end + 2;
    }
    return true;
}
