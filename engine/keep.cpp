#include "engine/keep.h"

std::string kept_file_path(const std::string& original, int attempt) {
    return original + ".~kv" + std::to_string(attempt);
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
