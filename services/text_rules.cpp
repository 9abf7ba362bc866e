#include "services/text_rules.h"

int32_t parse_whole_number(const char* text) {
    if (!text) return 0;
    const char* p = text;
    while (*p == ' ' || *p == '\t')
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    uint32_t value = 0;
    while (*p >= '0' && *p <= '9')
        value = value * 10u + uint32_t(*p++ - '0');
    return int32_t(negative ? 0u - value : value);
}

bool ends_with_backslash(const std::string& path) {
    return !path.empty() && path.back() == '\\';
}

std::string without_trailing_backslash(const std::string& path) {
    return ends_with_backslash(path) ? path.substr(0, path.size() - 1) : path;
}

std::string with_trailing_backslash(const std::string& path) {
    return path.empty() || ends_with_backslash(path) ? path : path + "\\";
}

std::string folder_of(const std::string& path) {
    size_t cut = path.rfind('\\');
    return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

std::string trim_blanks(const std::string& text) {
    size_t begin = text.find_first_not_of(" \t");
    if (begin == std::string::npos) return std::string();
    size_t end = text.find_last_not_of(" \t");
    return text.substr(begin, end - begin + 1);
}

namespace {

// Capitals are A-Z and the accented 0xC0-0xDE (0xD7 is the multiplication sign); each small form
// lies 0x20 above.
unsigned char folded(unsigned char c) {
    if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 0x20;
    return c;
}

} // namespace

bool equal_ignoring_case(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (folded(a[i]) != folded(b[i])) return false;
    return true;
}

bool starts_with_ignoring_case(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() &&
           equal_ignoring_case(text.substr(0, prefix.size()), prefix);
}

bool is_device_name(const std::string& component) {
    // "con .txt" and "NUL. . " open the device just as "CON" does.
    std::string base = component.substr(0, component.find('.'));
    while (!base.empty() && base.back() == ' ')
        base.pop_back();
    auto upper = [](char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; };
    for (char& c : base)
        c = upper(c);
    // Kept as text, not as pointers to texts: the shipped programs carry no relocations for it.
    static const char kDevices[][8] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (const char* device : kDevices)
        if (base == device) return true;
    if (base.size() != 4 || (base.compare(0, 3, "COM") != 0 && base.compare(0, 3, "LPT") != 0))
        return false;
    const char digit = base[3];
    // Windows-1252 superscript one, two and three count as digits there.
    return (digit >= '1' && digit <= '9') || digit == '\xb9' || digit == '\xb2' || digit == '\xb3';
}
