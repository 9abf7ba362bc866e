#include "services/held_folder.h"

namespace {

// Where the folders of a path begin: after "X:\", after "\\server\share\", or after a leading
// "\" of a path on the current drive.
size_t root_length(const std::string& path) {
    if (path.size() >= 2 && path[1] == ':') return path.size() > 2 && path[2] == '\\' ? 3 : 2;
    if (path.compare(0, 2, "\\\\") == 0) {
        size_t server_end = path.find('\\', 2);
        if (server_end == std::string::npos) return path.size();
        size_t share_end = path.find('\\', server_end + 1);
        return share_end == std::string::npos ? path.size() : share_end + 1;
    }
    return !path.empty() && path[0] == '\\' ? 1 : 0;
}

void put_le(std::vector<uint8_t>& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(uint8_t(value >> (8 * i)));
}

// A security identifier of the NT authority (5) with its sub authorities.
std::vector<uint8_t> nt_sid(std::initializer_list<uint32_t> sub_authorities) {
    std::vector<uint8_t> sid = {1, uint8_t(sub_authorities.size()), 0, 0, 0, 0, 0, 5};
    for (uint32_t sub : sub_authorities)
        put_le(sid, sub, 4);
    return sid;
}

constexpr uint8_t kAclRevision = 2;
constexpr uint8_t kAccessAllowed = 0;
constexpr uint8_t kInheritedByFilesAndFolders = 0x01 | 0x02; // object and container inherit
constexpr uint32_t kFullControl = 0x001F01FF;                // every right of a file or folder
constexpr uint32_t kReadAndExecute = 0x001200A9;             // generic read and execute of a file
constexpr uint32_t kBuiltinDomain = 32, kAdministrators = 544, kUsers = 545, kLocalSystem = 18;

} // namespace

std::vector<std::string> held_path_components(const std::string& path) {
    std::vector<std::string> components;
    size_t start = root_length(path);
    while (start < path.size()) {
        size_t end = path.find('\\', start);
        if (end == std::string::npos) end = path.size();
        if (end > start) components.push_back(path.substr(0, end));
        start = end + 1;
    }
    return components;
}

std::vector<uint8_t> program_files_access_list() {
    const struct {
        uint32_t rights;
        std::vector<uint8_t> sid;
    } entries[] = {
        {kFullControl, nt_sid({kBuiltinDomain, kAdministrators})},
        {kFullControl, nt_sid({kLocalSystem})},
        {kReadAndExecute, nt_sid({kBuiltinDomain, kUsers})},
    };
    std::vector<uint8_t> aces;
    for (const auto& entry : entries) {
        aces.push_back(kAccessAllowed);
        aces.push_back(kInheritedByFilesAndFolders);
        put_le(aces, uint32_t(8 + entry.sid.size()), 2);
        put_le(aces, entry.rights, 4);
        aces.insert(aces.end(), entry.sid.begin(), entry.sid.end());
    }
    std::vector<uint8_t> acl = {kAclRevision, 0};
    put_le(acl, uint32_t(8 + aces.size()), 2);
    put_le(acl, uint32_t(sizeof entries / sizeof entries[0]), 2);
    put_le(acl, 0, 2);
    acl.insert(acl.end(), aces.begin(), aces.end());
    return acl;
}
