#include "services/path_rules.h"
#include "services/text_rules.h"

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

bool ansi_path_from_forms(const wchar_t* long_form, const wchar_t* short_form, SpellName spell,
                          std::string& path) {
    std::string spelled;
    for (;;) {
        size_t l = 0, s = 0;
        while (long_form[l] && long_form[l] != L'\\')
            ++l;
        while (short_form[s] && short_form[s] != L'\\')
            ++s;
        const size_t mark = spelled.size();
        if (!spell(long_form, l, spelled)) {
            spelled.resize(mark);
            if (!spell(short_form, s, spelled)) return false;
        }
        if (!long_form[l] || !short_form[s]) {
            if (long_form[l] || short_form[s]) return false;
            path = spelled;
            return true;
        }
        spelled += '\\';
        long_form += l + 1;
        short_form += s + 1;
    }
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
