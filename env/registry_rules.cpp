#include "env/registry_rules.h"

std::string without_leading_backslash(const std::string& sub_key) {
    return !sub_key.empty() && sub_key[0] == '\\' ? sub_key.substr(1) : sub_key;
}

std::string text_of_string_value(const char* data, size_t size) {
    if (!data) return std::string();
    size_t length = 0;
    while (length < size && data[length] != '\0')
        ++length;
    return std::string(data, length);
}

std::string decimal_text(int32_t number) {
    return std::to_string(number);
}

std::vector<std::string> key_path_prefixes(const std::string& sub_key) {
    std::vector<std::string> keys;
    std::string key;
    size_t start = 0;
    while (start < sub_key.size()) {
        size_t end = sub_key.find('\\', start);
        if (end == std::string::npos) end = sub_key.size();
        // Doubled or outer backslashes name no key of their own.
        if (end > start) {
            if (!key.empty()) key += '\\';
            key.append(sub_key, start, end - start);
            keys.push_back(key);
        }
        start = end + 1;
    }
    return keys;
}
