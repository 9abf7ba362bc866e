#include "uninstall/restart_deletion.h"
#include "log/log_lines.h"
#include "services/text_rules.h"
#include "uninstall/copy_command.h"

std::string wininit_with_deletion(const std::string& text, const std::string& short_path) {
    const std::string line = "NUL=" + short_path + "\r\n";
    bool in_rename = false;
    size_t begin = 0;
    while (begin < text.size()) {
        size_t end = text.find_first_of("\r\n", begin);
        if (end == std::string::npos) end = text.size();
        const std::string content = trim_blanks(text.substr(begin, end - begin));
        if (in_rename && !content.empty() && content[0] == '[')
            return text.substr(0, begin) + line + text.substr(begin);
        if (equal_ignoring_case(content, "[rename]")) in_rename = true;
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

bool is_copy_leftover(const std::string& path, const std::string& copy_folder,
                      const std::string& temp) {
    if (!is_copy_folder(copy_folder, temp) || !is_removable_file_path(path)) return false;
    for (const std::string& own :
         {copy_folder, copy_folder + "\\" + kCopyName, copy_folder + ".exe"})
        if (same_path(path, own)) return true;
    return false;
}
