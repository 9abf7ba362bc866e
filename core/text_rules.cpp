#include "core/text_rules.h"

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
