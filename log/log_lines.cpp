#include "log/log_lines.h"

#include <cstring>
#include "services/text_rules.h"

namespace {

bool starts_with(const std::string& text, const char* prefix) {
    return text.compare(0, std::strlen(prefix), prefix) == 0;
}

bool has_control_byte(const std::string& text) {
    for (unsigned char c : text)
        if (c < 0x20 || c == 0x7f) return true;
    return false;
}

bool is_trimmed_byte(char c) {
    return c == '.' || c == ' ';
}

// Win32 trims final dots and blanks from names, so a component of dots and blanks alone would
// turn into "." or ".." (or nothing) on its way to the file system. A device name would reach a
// device, which no deletion can remove: the run would only ever end with it "in use".
bool is_plain_path_component(const std::string& name) {
    if (is_device_name(name)) return false;
    bool has_name_byte = false;
    for (unsigned char c : name) {
        if (c < 0x20 || c == 0x7f || std::strchr("*?\"<>|/:", c)) return false;
        if (!is_trimmed_byte(static_cast<char>(c))) has_name_byte = true;
    }
    return has_name_byte;
}

std::vector<std::string> split_at_backslashes(const std::string& text) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        size_t end = text.find('\\', start);
        parts.push_back(
            text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) return parts;
        start = end + 1;
    }
}

bool is_letter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

} // namespace

std::string log_line_text(const UndoAction& action) {
    return action.tag + action.argument;
}

UndoAction split_log_line(const std::string& line) {
    // The tag is everything up to its own ": "; a later ": " belongs to the argument (a path
    // such as C:\a: b).
    size_t colon = line.find(": ");
    if (colon != std::string::npos)
        return UndoAction{line.substr(0, colon + 2), line.substr(colon + 2)};
    // A line without a tag still goes back into the log unchanged.
    if (line.empty()) return UndoAction{};
    return UndoAction{line.substr(0, 1), line.substr(1)};
}

void merge_log_line(std::deque<UndoAction>& list, const std::string& line) {
    for (const UndoAction& action : list) {
        if (action.tag.size() + action.argument.size() == line.size() &&
            line.compare(0, action.tag.size(), action.tag) == 0 &&
            line.compare(action.tag.size(), std::string::npos, action.argument) == 0)
            return;
    }
    list.push_back(split_log_line(line));
}

void merge_log_lines(std::deque<UndoAction>& list, const std::vector<std::string>& lines) {
    for (const std::string& line : lines) {
        if (line.empty()) return;
        merge_log_line(list, line);
    }
}

void split_reg_value_argument(const std::string& argument, std::string& key, std::string& name) {
    size_t slash = argument.rfind('\\');
    if (slash == std::string::npos) {
        key.clear();
        name = argument;
    } else {
        key = argument.substr(0, slash + 1);
        name = argument.substr(slash + 1);
    }
    // A key written in quotes loses its opening quote; either part ends at a quote it holds.
    if (!key.empty() && key[0] == '"') key.erase(0, 1);
    size_t quote = key.find('"');
    if (quote != std::string::npos) key.erase(quote);
    quote = name.find('"');
    if (quote != std::string::npos) name.erase(quote);
}

UndoKind undo_kind(const std::string& tag) {
    if (tag == kTagDeleteFile) return UndoKind::kDeleteFile;
    if (tag == kTagDeleteDirectory) return UndoKind::kDeleteDirectory;
    if (tag == kTagDeleteRegKey) return UndoKind::kDeleteRegKey;
    if (tag == kTagDeleteRegValue) return UndoKind::kDeleteRegValue;
    if (tag == kTagRestoreFile) return UndoKind::kRestoreFile;
    if (tag == kTagRestoreRegValue) return UndoKind::kRestoreRegValue;
    if (tag == kTagRemoveRegValue) return UndoKind::kRemoveRegValue;
    if (tag == kTagRemoveRegKey) return UndoKind::kRemoveRegKey;
    if (tag == kTagRemoveFile) return UndoKind::kRemoveFile;
    return UndoKind::kNone;
}

bool reaches_log(const UndoAction& action) {
    switch (undo_kind(action.tag)) {
    case UndoKind::kRestoreFile:
    case UndoKind::kRestoreRegValue:
    case UndoKind::kRemoveRegValue:
    case UndoKind::kRemoveRegKey:
    case UndoKind::kRemoveFile:
        return false;
    default:
        return true;
    }
}

std::string log_text(const std::deque<UndoAction>& actions) {
    std::string text;
    for (const UndoAction& action : actions)
        text += log_line_text(action) + "\r\n";
    return text;
}

std::vector<std::string> split_log_lines(const std::string& text, size_t max_lines,
                                         size_t* lines_left_over) {
    std::vector<std::string> lines;
    size_t left_over = 0;
    std::string line;
    bool has_text = false; // past the limit the text itself is not kept, only whether there is any
    auto end_line = [&] {
        if (lines.size() < max_lines)
            lines.push_back(line);
        else if (has_text)
            ++left_over;
        line.clear();
        has_text = false;
    };
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            end_line();
        } else {
            has_text = true;
            if (lines.size() < max_lines) line += c;
        }
    }
    if (has_text) end_line();
    if (lines_left_over) *lines_left_over = left_over;
    return lines;
}

bool is_removable_file_path(const std::string& path) {
    if (path.size() > kMaxFilePath) return false;
    std::vector<std::string> parts;
    if (path.size() >= 3 && is_letter(path[0]) && path[1] == ':' && path[2] == '\\') {
        parts = split_at_backslashes(path.substr(3));
    } else if (starts_with(path, "\\\\")) {
        parts = split_at_backslashes(path.substr(2));
        // Server and share alone are no folder of ours; "\\?\" and "\\.\" fail the name test.
        if (parts.size() < 3) return false;
        // The system trims nothing in the server and share names: they must be exact.
        for (size_t i = 0; i < 2; ++i)
            if (!parts[i].empty() && is_trimmed_byte(parts[i].back())) return false;
    } else {
        return false; // relative: it would resolve against whatever folder we happen to be in
    }
    for (const std::string& part : parts)
        if (!is_plain_path_component(part)) return false;
    return true;
}

std::string stored_path_form(const std::string& path) {
    // The root ("C:" or "\\server\share") is left as it is.
    size_t root_parts = starts_with(path, "\\\\") ? 4 : 1;
    std::vector<std::string> parts = split_at_backslashes(path);
    std::string result;
    for (size_t i = 0; i < parts.size(); ++i) {
        std::string part = parts[i];
        if (i >= root_parts) {
            if (i + 1 == parts.size()) {
                while (!part.empty() && is_trimmed_byte(part.back()))
                    part.pop_back();
            } else if (!part.empty() && part.back() == '.') {
                part.pop_back();
            }
        }
        if (i != 0) result += '\\';
        result += part;
    }
    return result;
}

bool same_path(const std::string& a, const std::string& b) {
    return equal_ignoring_case(stored_path_form(a), stored_path_form(b));
}

bool is_registry_key_path(const std::string& path) {
    if (path.empty() || path.size() > kMaxRegKeyPath) return false;
    if (has_control_byte(path)) return false;
    for (const std::string& part : split_at_backslashes(path))
        if (part.empty() || part.size() > 255) return false;
    return true;
}

UninstallStep classify_log_line(const std::string& line) {
    UninstallStep step;
    if (line.find('\0') != std::string::npos) return step;
    if (starts_with(line, kTagDeleteFile) || starts_with(line, kTagDeleteDirectory)) {
        bool file = starts_with(line, kTagDeleteFile);
        std::string path = line.substr(std::strlen(file ? kTagDeleteFile : kTagDeleteDirectory));
        if (!is_removable_file_path(path)) return step;
        step.action = file ? UninstallAction::kDeleteFile : UninstallAction::kDeleteFolder;
        step.path = stored_path_form(path);
    } else if (starts_with(line, kTagDeleteRegKey)) {
        std::string key = line.substr(std::strlen(kTagDeleteRegKey));
        if (!key.empty() && key.back() == '\\') key.pop_back();
        if (!is_registry_key_path(key)) return step;
        step.action = UninstallAction::kDeleteRegKey;
        step.path = key;
    } else if (starts_with(line, kTagDeleteRegValue)) {
        std::string argument = line.substr(std::strlen(kTagDeleteRegValue));
        if (argument.size() > kMaxRegKeyPath + 1 + kMaxRegValueName || has_control_byte(argument))
            return step;
        // The installer's roll-back reads double quotes in this argument as delimiters; the same
        // reading here removes what a roll-back would.
        std::string key, name;
        split_reg_value_argument(argument, key, name);
        if (!key.empty() && key.back() == '\\') key.pop_back();
        // An empty name would be the key's default value, which the installer never writes; such
        // a line is more likely cut short than meant, and a default value may be anybody's.
        if (!is_registry_key_path(key) || name.empty() || name.size() > kMaxRegValueName)
            return step;
        step.action = UninstallAction::kDeleteRegValue;
        step.path = key;
        step.value_name = name;
    }
    if (step.action != UninstallAction::kSkip) step.line = line;
    return step;
}
