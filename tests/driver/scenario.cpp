#include "driver/scenario.h"

std::vector<std::string> scenario_lines(std::string content) {
    if (content.compare(0, 3, "\xEF\xBB\xBF") == 0) content.erase(0, 3);
    std::vector<std::string> lines;
    size_t pos = 0;
    while (pos < content.size()) {
        size_t end = content.find('\n', pos);
        if (end == std::string::npos) end = content.size();
        std::string line = content.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        pos = end + 1;
    }
    return lines;
}

static bool is_key_char(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_';
}

// The key of a slot that starts at `at` (an '@'), or "" when none starts there.
static std::string slot_at(const std::string& line, size_t at) {
    size_t end = at + 1;
    while (end < line.size() && is_key_char(line[end]))
        ++end;
    if (end == at + 1 || end >= line.size() || line[end] != '@') return "";
    return line.substr(at + 1, end - at - 1);
}

static std::string trimmed(const std::string& s) {
    size_t first = s.find_first_not_of(" \t");
    if (first == std::string::npos) return "";
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

bool fill_slots(const std::string& line, const Slots& slots, std::vector<std::string>& out,
                std::set<std::string>& used, std::string& error) {
    out.clear();
    std::string whole = trimmed(line);
    if (!whole.empty() && whole[0] == '@' && slot_at(whole, 0).size() + 2 == whole.size()) {
        std::string key = slot_at(whole, 0);
        used.insert(key);
        auto it = slots.find(key);
        if (it != slots.end()) out = it->second;
        return true;
    }
    std::string filled;
    for (size_t i = 0; i < line.size();) {
        std::string key = line[i] == '@' ? slot_at(line, i) : "";
        if (key.empty()) {
            filled += line[i++];
            continue;
        }
        used.insert(key);
        auto it = slots.find(key);
        if (it != slots.end() && it->second.size() > 1) {
            error = "the slot @" + key + "@ inside a line holds " +
                    std::to_string(it->second.size()) + " lines";
            return false;
        }
        if (it != slots.end() && !it->second.empty()) filled += it->second[0];
        i += key.size() + 2;
    }
    out.push_back(filled);
    return true;
}

bool read_case(const std::string& table, const std::string& name, Slots& slots,
               std::string& error) {
    Slots defaults, found;
    Slots* block = nullptr; // the block being read, when it matters
    bool in_block = false;
    std::set<std::string> names;
    int number = 0;
    for (const std::string& raw : scenario_lines(table)) {
        ++number;
        std::string line = trimmed(raw);
        if (line.empty() || line[0] == '#') continue;
        size_t blank = line.find_first_of(" \t");
        std::string key = line.substr(0, blank);
        std::string text = blank == std::string::npos ? "" : trimmed(line.substr(blank));
        if (key == "defaults" && text.empty()) {
            block = &defaults;
            in_block = true;
        } else if (key == "case") {
            if (text.empty() || !names.insert(text).second) {
                error = "line " + std::to_string(number) + ": a case needs a name of its own";
                return false;
            }
            block = text == name ? &found : nullptr;
            in_block = true;
        } else if (!in_block) {
            error = "line " + std::to_string(number) + ": " + key + " before the first case";
            return false;
        } else if (block) {
            (*block)[key].push_back(text);
        }
    }
    if (!names.count(name)) {
        error = "no case " + name;
        return false;
    }
    slots = found;
    for (const auto& d : defaults)
        slots.insert(d);
    return true;
}
