#include "uninstall/copy_command.h"

#include <vector>
#include "log/log_lines.h"
#include "services/text_rules.h"

bool is_copy_folder(const std::string& folder, const std::string& temp) {
    const std::string prefix = temp + kCopyFolderPrefix;
    if (temp.empty() || !starts_with_ignoring_case(folder, prefix)) return false;
    std::string digits = folder.substr(prefix.size());
    if (digits.size() != kCopyFolderDigits) return false;
    for (char c : digits)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')))
            return false;
    return true;
}

std::string copy_folder_name(uint32_t high, uint32_t low) {
    static const char kHex[] = "0123456789abcdef";
    std::string name = kCopyFolderPrefix;
    for (uint32_t word : {high, low})
        for (int shift = 28; shift >= 0; shift -= 4)
            name += kHex[(word >> shift) & 0xF];
    return name;
}

std::string copy_command_line(const std::string& copy_path, const std::string& target_folder,
                              const CopyHandles& handles) {
    std::string line = "\"" + copy_path + "\" /uninstall \"" + target_folder + "\"";
    for (uintptr_t handle : {handles.original, handles.started, handles.folder})
        line += " " + std::to_string(handle);
    return line;
}

namespace {

bool parse_handle(const std::string& number, uintptr_t& handle) {
    if (number.empty() || number.size() > 10) return false;
    unsigned long long value = 0;
    for (char c : number) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value > 0xffffffffull) return false;
    handle = static_cast<uintptr_t>(value);
    return true;
}

} // namespace

bool parse_copy_command_line(const std::string& command_line, std::string& target_folder,
                             CopyHandles& handles) {
    // Paths never hold a double quote, so quotes only group; there is no escaping to undo.
    std::vector<std::string> words;
    size_t i = 0;
    while (i < command_line.size()) {
        char c = command_line[i];
        if (c == ' ' || c == '\t') {
            ++i;
        } else if (c == '"') {
            size_t end = command_line.find('"', i + 1);
            if (end == std::string::npos) return false;
            words.push_back(command_line.substr(i + 1, end - i - 1));
            i = end + 1;
        } else {
            size_t end = command_line.find_first_of(" \t\"", i);
            if (end == std::string::npos) end = command_line.size();
            words.push_back(command_line.substr(i, end - i));
            i = end;
        }
    }
    if (words.size() != 6 || words[1] != "/uninstall" || !is_removable_file_path(words[2]))
        return false;
    CopyHandles read;
    if (!parse_handle(words[3], read.original) || !parse_handle(words[4], read.started) ||
        !parse_handle(words[5], read.folder))
        return false;
    target_folder = words[2];
    handles = read;
    return true;
}
