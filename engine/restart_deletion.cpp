#include "engine/restart_deletion.h"

namespace {

bool is_section_line(const std::string& text, size_t begin, size_t end) {
    while (begin < end && (text[begin] == ' ' || text[begin] == '\t'))
        ++begin;
    return begin < end && text[begin] == '[';
}

bool is_rename_header(const std::string& text, size_t begin, size_t end) {
    while (begin < end && (text[begin] == ' ' || text[begin] == '\t'))
        ++begin;
    while (end > begin && (text[end - 1] == ' ' || text[end - 1] == '\t'))
        --end;
    static const char kHeader[] = "[rename]";
    if (end - begin != sizeof kHeader - 1) return false;
    for (size_t i = 0; kHeader[i]; ++i) {
        char c = text[begin + i];
        if (c >= 'A' && c <= 'Z') c += 'a' - 'A';
        if (c != kHeader[i]) return false;
    }
    return true;
}

} // namespace

std::string wininit_with_deletion(const std::string& text, const std::string& short_path) {
    const std::string line = "NUL=" + short_path + "\r\n";
    bool in_rename = false;
    size_t begin = 0;
    while (begin < text.size()) {
        size_t end = text.find_first_of("\r\n", begin);
        if (end == std::string::npos) end = text.size();
        if (in_rename && is_section_line(text, begin, end))
            return text.substr(0, begin) + line + text.substr(begin);
        if (is_rename_header(text, begin, end)) in_rename = true;
        size_t next = end;
        if (next < text.size() && text[next] == '\r') ++next;
        if (next < text.size() && text[next] == '\n') ++next;
        begin = next;
    }
    std::string result = text;
    if (!result.empty() && result.back() != '\n' && result.back() != '\r') result += "\r\n";
    if (!in_rename) result += "[rename]\r\n";
    return result + line;
}
