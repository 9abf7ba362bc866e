#include <windows.h>

#include <cstdio>
#include <vector>

#include "driver/driver.h"
#include "driver/saved_registry.h"
#include "driver/snapshot.h"
#include "driver/words.h"

namespace {

// Deeper than any real folder or key; stops a link that points back up from looping.
constexpr int kMaxDepth = 48;

struct Walk {
    Snapshot& snapshot;
    SnapshotHashCache& cache;
    SnapshotStats& stats;
    std::string error;
    std::vector<unsigned char> buffer = std::vector<unsigned char>(1 << 20);
};

bool hash_file(Walk& w, const std::wstring& path, uint64_t& hash) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    ContentHash content;
    DWORD got = 0;
    while (ReadFile(h, w.buffer.data(), static_cast<DWORD>(w.buffer.size()), &got, nullptr) &&
           got > 0) {
        content.add(w.buffer.data(), got);
        w.stats.bytes_hashed += got;
    }
    CloseHandle(h);
    hash = content.finish();
    return true;
}

// Walked in wide paths and recorded as the ANSI calls reach them (ansi_spelling), so that a
// folder named in letters that Windows-1252 lacks (a temp folder "C:\users\Łukasz\Temp") is seen
// inside too, under the name a scenario can give.
void walk_folder(Walk& w, const std::wstring& folder, const std::string& spelled, int depth) {
    if (depth > kMaxDepth) return;
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileExW((folder + L"*").c_str(), FindExInfoBasic, &found,
                                   FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE) return;
    std::vector<std::pair<std::wstring, std::string>> subfolders;
    do {
        std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        std::string spelled_name, whole;
        if (!exact_narrow(name, spelled_name) && ansi_spelling(folder + name, whole))
            spelled_name = whole.substr(whole.rfind('\\') + 1);
        const std::string path = spelled + spelled_name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            snapshot_add(w.snapshot, SnapshotItem::Folder, path, "");
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                subfolders.emplace_back(folder + name + L"\\", path + "\\");
            continue;
        }
        uint64_t size = (static_cast<uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
        uint64_t written = (static_cast<uint64_t>(found.ftLastWriteTime.dwHighDateTime) << 32) |
                           found.ftLastWriteTime.dwLowDateTime;
        std::string key = to_lower_ascii(path);
        auto cached = w.cache.find(key);
        uint64_t hash = 0;
        char detail[64];
        if (cached != w.cache.end() && cached->second.size == size &&
            cached->second.write_time == written) {
            hash = cached->second.hash;
        } else if (hash_file(w, folder + name, hash)) {
            w.cache[key] = CachedHash{size, written, hash};
        } else {
            std::snprintf(detail, sizeof detail, "size %llu, unreadable",
                          static_cast<unsigned long long>(size));
            snapshot_add(w.snapshot, SnapshotItem::File, path, detail);
            ++w.stats.files;
            continue;
        }
        std::snprintf(detail, sizeof detail, "size %llu, content %016llx",
                      static_cast<unsigned long long>(size), static_cast<unsigned long long>(hash));
        snapshot_add(w.snapshot, SnapshotItem::File, path, detail);
        ++w.stats.files;
    } while (FindNextFileW(find, &found));
    FindClose(find);
    for (const auto& sub : subfolders)
        walk_folder(w, sub.first, sub.second, depth + 1);
}

void walk_key(Walk& w, HKEY key, const std::string& path, int depth) {
    if (depth > kMaxDepth) return;
    snapshot_add(w.snapshot, SnapshotItem::Key, path, "");
    ++w.stats.keys;
    DWORD subkeys = 0, max_subkey = 0, values = 0, max_name = 0, max_data = 0;
    if (RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, &max_subkey, nullptr, &values,
                         &max_name, &max_data, nullptr, nullptr) != ERROR_SUCCESS)
        return;
    std::vector<char> name(max_name + 2);
    std::vector<unsigned char> data(max_data + 2);
    for (DWORD i = 0; i < values; ++i) {
        DWORD name_len = static_cast<DWORD>(name.size());
        DWORD data_len = static_cast<DWORD>(data.size());
        DWORD type = 0;
        LONG rc =
            RegEnumValueA(key, i, name.data(), &name_len, nullptr, &type, data.data(), &data_len);
        if (rc == ERROR_MORE_DATA) { // grew since RegQueryInfoKey
            name.resize(name.size() * 2 + 256);
            data.resize(data.size() * 2 + 256);
            --i;
            continue;
        }
        if (rc != ERROR_SUCCESS) break;
        std::string value_name(name.data(), name_len);
        snapshot_add(w.snapshot, SnapshotItem::Value,
                     path + "\\" + (value_name.empty() ? "(default)" : value_name),
                     describe_registry_value(type, data.data(), data_len));
        ++w.stats.values;
    }
    std::vector<std::string> names;
    std::vector<char> sub(max_subkey + 2);
    for (DWORD i = 0;; ++i) {
        DWORD len = static_cast<DWORD>(sub.size());
        LONG rc = RegEnumKeyExA(key, i, sub.data(), &len, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_MORE_DATA) {
            sub.resize(sub.size() * 2 + 256);
            --i;
            continue;
        }
        if (rc != ERROR_SUCCESS) break;
        names.emplace_back(sub.data(), len);
    }
    for (const auto& n : names) {
        std::string child = path + "\\" + n;
        // CurrentControlSet is a link to ControlSet001, which the walk sees anyway.
        if (iequals(child, "HKLM\\System\\CurrentControlSet")) continue;
        HKEY k;
        if (RegOpenKeyExA(key, n.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) continue;
        walk_key(w, k, child, depth + 1);
        RegCloseKey(k);
    }
}

// Saves a registry root to a scratch file outside drive C: (so the file walk does not see it) and
// reads it back. False when the server will not save, or no scratch folder is named.
bool save_root(Walk& w, HKEY root, const std::string& name) {
    char scratch[MAX_PATH];
    DWORD n = GetEnvironmentVariableA("KV_SCRATCH", scratch, sizeof scratch);
    if (n == 0 || n >= sizeof scratch) return false;
    std::string file = windows_path(scratch) + "\\kvdriver-" + name + ".reg";
    DeleteFileA(file.c_str());
    HANDLE token;
    if (OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
        TOKEN_PRIVILEGES tp{};
        tp.PrivilegeCount = 1;
        tp.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
        if (LookupPrivilegeValueA(nullptr, "SeBackupPrivilege", &tp.Privileges[0].Luid))
            AdjustTokenPrivileges(token, FALSE, &tp, 0, nullptr, nullptr);
        CloseHandle(token);
    }
    if (RegSaveKeyA(root, file.c_str(), nullptr) != ERROR_SUCCESS) return false;
    HANDLE h = CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    std::string text;
    if (h != INVALID_HANDLE_VALUE) {
        DWORD got;
        while (ReadFile(h, w.buffer.data(), static_cast<DWORD>(w.buffer.size()), &got, nullptr) &&
               got > 0)
            text.append(reinterpret_cast<const char*>(w.buffer.data()), got);
        CloseHandle(h);
    }
    DeleteFileA(file.c_str());
    return read_saved_registry(text, name, w.snapshot, w.stats, w.error);
}

// Both snapshots of a comparison must come from the same method: chosen once per run.
enum class RegistryMethod { Unknown, Save, Walk };
RegistryMethod registry_method = RegistryMethod::Unknown;

} // namespace

bool take_snapshot(Snapshot& snapshot, SnapshotHashCache& cache, SnapshotStats& stats,
                   std::string& error) {
    snapshot.clear();
    stats = SnapshotStats{};
    Walk w{snapshot, cache, stats, {}};
    DWORD start = GetTickCount();
    walk_folder(w, L"C:\\", "C:\\", 0);
    stats.files_ms = GetTickCount() - start;
    if (registry_method != RegistryMethod::Walk) {
        Snapshot files = snapshot;
        SnapshotStats file_stats = stats;
        if (save_root(w, HKEY_LOCAL_MACHINE, "HKLM") && save_root(w, HKEY_CURRENT_USER, "HKCU")) {
            registry_method = RegistryMethod::Save;
        } else if (!w.error.empty()) {
            // a saved text that could not be read: reported as it is
        } else if (registry_method == RegistryMethod::Unknown) {
            registry_method = RegistryMethod::Walk;
            snapshot = files;
            stats = file_stats;
        } else {
            w.error = "the registry could not be saved this time (RegSaveKey)";
        }
    }
    if (registry_method == RegistryMethod::Walk) {
        walk_key(w, HKEY_LOCAL_MACHINE, "HKLM", 0);
        walk_key(w, HKEY_CURRENT_USER, "HKCU", 0);
    }
    error = w.error;
    return error.empty();
}
