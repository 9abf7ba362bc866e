#include "driver/saved_registry.h"

#include <cstdint>
#include <set>
#include <vector>

#include "driver/words.h"

namespace {

// A UTF-16 unit as Windows-1252, "?" where it has no byte (as WideCharToMultiByte does).
char to_cp1252(uint16_t unit) {
    static const uint16_t high[32] = {
        0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
    if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) return static_cast<char>(unit);
    for (int k = 0; k < 32; ++k)
        if (high[k] == unit && unit != 0) return static_cast<char>(0x80 + k);
    return '?';
}

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool hex_number(const std::string& text, unsigned long& value) {
    if (text.empty() || text.size() > 8) return false;
    value = 0;
    for (char c : text) {
        if (hex_digit(c) < 0) return false;
        value = value * 16 + static_cast<unsigned long>(hex_digit(c));
    }
    return true;
}

// Decodes an escaped text from `at` up to the unescaped `close`; leaves `at` after it. The
// server writes \\ and \<close>, C escapes for control characters, octal for the others below
// 32, and \x with up to four hex digits for everything from 127 on.
bool unescape(const std::string& line, size_t& at, char close, std::string& out) {
    out.clear();
    while (at < line.size()) {
        char c = line[at++];
        if (c == close) return true;
        if (c != '\\') {
            out += c;
            continue;
        }
        if (at >= line.size()) return false;
        char e = line[at++];
        uint16_t unit;
        switch (e) {
        case 'a':
            unit = 7;
            break;
        case 'b':
            unit = 8;
            break;
        case 't':
            unit = 9;
            break;
        case 'n':
            unit = 10;
            break;
        case 'v':
            unit = 11;
            break;
        case 'f':
            unit = 12;
            break;
        case 'r':
            unit = 13;
            break;
        case 'e':
            unit = 27;
            break;
        case 'x': {
            unit = 0;
            int digits = 0;
            while (digits < 4 && at < line.size() && hex_digit(line[at]) >= 0) {
                unit = static_cast<uint16_t>(unit * 16 + hex_digit(line[at++]));
                ++digits;
            }
            if (digits == 0) return false;
            break;
        }
        default:
            if (e >= '0' && e <= '7') {
                unit = static_cast<uint16_t>(e - '0');
                for (int digits = 1;
                     digits < 3 && at < line.size() && line[at] >= '0' && line[at] <= '7'; ++digits)
                    unit = static_cast<uint16_t>(unit * 8 + (line[at++] - '0'));
            } else {
                unit = static_cast<unsigned char>(e);
            }
        }
        out += to_cp1252(unit);
    }
    return false;
}

bool parse_hex_bytes(const std::string& text, std::vector<unsigned char>& bytes) {
    bytes.clear();
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] == ',' || text[i] == ' ') {
            ++i;
            continue;
        }
        if (i + 1 >= text.size() || hex_digit(text[i]) < 0 || hex_digit(text[i + 1]) < 0)
            return false;
        bytes.push_back(
            static_cast<unsigned char>(hex_digit(text[i]) * 16 + hex_digit(text[i + 1])));
        i += 2;
    }
    return true;
}

// Text values stored as bytes of UTF-16 (written in hex when not properly terminated).
std::vector<unsigned char> utf16_bytes_to_cp1252(const std::vector<unsigned char>& bytes) {
    std::vector<unsigned char> out;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
        out.push_back(static_cast<unsigned char>(
            to_cp1252(static_cast<uint16_t>(bytes[i] | bytes[i + 1] << 8))));
    if (bytes.size() % 2) out.push_back(bytes.back());
    return out;
}

// Registry type numbers, as the platform defines them.
enum : unsigned long { Sz = 1, ExpandSz = 2, Binary = 3, Dword = 4, MultiSz = 7 };

bool parse_value(const std::string& line, const std::string& key, Snapshot& snapshot,
                 std::string& error) {
    size_t at = 0;
    std::string name;
    if (line.compare(0, 2, "@=") == 0) {
        at = 2;
    } else {
        at = 1;
        if (!unescape(line, at, '"', name) || at >= line.size() || line[at] != '=') {
            error = "a value name that does not end: " + line.substr(0, 80);
            return false;
        }
        ++at;
    }
    unsigned long type = Sz;
    std::vector<unsigned char> data;
    std::string rest = line.substr(at);
    if (rest.compare(0, 4, "str(") == 0) {
        size_t close = rest.find("):");
        if (close == std::string::npos || !hex_number(rest.substr(4, close - 4), type))
            return error = "bad str( in " + line.substr(0, 80), false;
        rest = rest.substr(close + 2);
    }
    if (!rest.empty() && rest[0] == '"') {
        size_t p = 1;
        std::string text;
        if (!unescape(rest, p, '"', text))
            return error = "a text that does not end: " + line, false;
        data.assign(text.begin(), text.end());
        data.push_back(0); // written this way only when the stored text ends with its zero
    } else if (rest.compare(0, 6, "dword:") == 0) {
        type = Dword;
        unsigned long v;
        if (!hex_number(rest.substr(6), v)) return error = "bad dword in " + line, false;
        for (int k = 0; k < 4; ++k)
            data.push_back(static_cast<unsigned char>(v >> 8 * k));
    } else if (rest.compare(0, 4, "hex:") == 0 || rest.compare(0, 4, "hex(") == 0) {
        size_t colon = rest.find(':');
        type = Binary;
        if (rest[3] == '(' &&
            (colon < 6 || rest[colon - 1] != ')' || !hex_number(rest.substr(4, colon - 5), type)))
            return error = "bad hex( in " + line.substr(0, 80), false;
        if (!parse_hex_bytes(rest.substr(colon + 1), data))
            return error = "bad hex data in " + line.substr(0, 80), false;
        if (type == Sz || type == ExpandSz || type == MultiSz) data = utf16_bytes_to_cp1252(data);
    } else {
        error = "a value of unknown form: " + line.substr(0, 80);
        return false;
    }
    snapshot_add(snapshot, SnapshotItem::Value, key + "\\" + (name.empty() ? "(default)" : name),
                 describe_registry_value(type, data.data(), data.size()));
    return true;
}

} // namespace

bool read_saved_registry(const std::string& text, const std::string& root_name, Snapshot& snapshot,
                         SnapshotStats& stats, std::string& error) {
    if (text.compare(0, 23, "WINE REGISTRY Version 2") != 0) {
        error = "not a saved Wine registry";
        return false;
    }
    std::set<std::string> keys{to_lower_ascii(root_name)};
    snapshot_add(snapshot, SnapshotItem::Key, root_name, "");
    std::string key;
    size_t pos = text.find('\n');
    pos = pos == std::string::npos ? text.size() : pos + 1;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        // Long hex data goes on over lines that end in a backslash.
        while (!line.empty() && line.back() == '\\' && pos < text.size()) {
            line.pop_back();
            end = text.find('\n', pos);
            if (end == std::string::npos) end = text.size();
            std::string more = text.substr(pos, end - pos);
            pos = end + 1;
            line += more.substr(std::min(more.find_first_not_of(' '), more.size()));
        }
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        if (line[0] == '[') {
            size_t at = 1;
            std::string path;
            if (!unescape(line, at, ']', path)) {
                error = "a key that does not end: " + line.substr(0, 80);
                return false;
            }
            key = root_name + "\\" + path;
            // A key holding only sub-keys is not written; its sub-keys imply it.
            for (size_t slash = key.find('\\');; slash = key.find('\\', slash + 1)) {
                std::string part = slash == std::string::npos ? key : key.substr(0, slash);
                if (keys.insert(to_lower_ascii(part)).second) {
                    snapshot_add(snapshot, SnapshotItem::Key, part, "");
                    ++stats.keys;
                }
                if (slash == std::string::npos) break;
            }
            continue;
        }
        if (line[0] == '@' || line[0] == '"') {
            if (key.empty()) {
                error = "a value before the first key";
                return false;
            }
            if (!parse_value(line, key, snapshot, error)) return false;
            ++stats.values;
            continue;
        }
        error = "a line of unknown form: " + line.substr(0, 80);
        return false;
    }
    return true;
}
