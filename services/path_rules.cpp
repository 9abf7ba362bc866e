#include "services/path_rules.h"
#include "core/text_rules.h"

bool within_path_limit(const std::string& text) {
    return text.size() + 1 <= kPathLimit;
}

std::string search_text(const std::string& path, const std::string& pattern) {
    return with_trailing_backslash(path) + (pattern.empty() ? std::string("*.*") : pattern);
}

std::string program_folder(const std::string& program) {
    size_t cut = program.rfind('\\');
    if (cut == std::string::npos || cut == 0) return std::string();
    return program.substr(0, cut + 1);
}

std::string ansi_path_from_forms(const std::vector<SpelledName>& long_form,
                                 const std::vector<SpelledName>& short_form) {
    if (long_form.empty() || long_form.size() != short_form.size()) return std::string();
    std::string path;
    for (size_t i = 0; i < long_form.size(); ++i) {
        const SpelledName& name = long_form[i].exact ? long_form[i] : short_form[i];
        if (!name.exact) return std::string();
        if (i != 0) path += '\\';
        path += name.text;
    }
    return path;
}

LineScan scan_line(const char* data, size_t size, bool end_of_file) {
    for (size_t i = 0; i < size; ++i) {
        char c = data[i];
        if (c == '\n' || c == '\0') return {true, i, i + 1};
        if (c != '\r') continue;
        if (i + 1 < size) return {true, i, data[i + 1] == '\n' ? i + 2 : i + 1};
        // A final CR: whether an LF belongs to it is known only from the next byte.
        if (end_of_file) return {true, i, i + 1};
        return {false, i, i};
    }
    return {end_of_file, size, size};
}
