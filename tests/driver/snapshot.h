// A recorded state of the system under test: every folder and file below C:\ and every registry
// key and value below HKLM and HKCU, each with a one-line description of its content, and the
// comparison of two such states.
#pragma once
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

struct SnapshotItem {
    enum Kind : char { Folder = 'd', File = 'f', Key = 'k', Value = 'v' };
    Kind kind;
    std::string name;   // path, key path, or key path + "\" + value name, as the system spells it
    std::string detail; // size and content hash, or type and data; empty for folders and keys
};

// Keyed by kind and lower-cased name: Windows names compare case-insensitively.
using Snapshot = std::map<std::string, SnapshotItem>;

void snapshot_add(Snapshot& snapshot, SnapshotItem::Kind kind, const std::string& name,
                  const std::string& detail);

struct SnapshotDiff {
    std::vector<std::string> lines; // at most max_lines of them
    size_t total = 0;               // every difference, listed or not
};

// Lists what was added ("+"), removed ("-") and changed ("*") from `before` to `after`. Names
// starting with one of `excludes` (case-insensitively) are left out.
SnapshotDiff compare_snapshots(const Snapshot& before, const Snapshot& after,
                               const std::vector<std::string>& excludes, size_t max_lines);

// A registry value as one line: its type and its data, texts shown in UTF-8 and cut after 100
// characters (the hash of the whole data then tells longer values apart).
std::string describe_registry_value(unsigned long type, const unsigned char* data, size_t size);

// Hashes of file contents from earlier walks: a file with the same size and write time is not
// read again, which keeps a second walk of the ~600 MB of a fresh prefix fast.
struct CachedHash {
    uint64_t size;
    uint64_t write_time;
    uint64_t hash;
};
using SnapshotHashCache = std::map<std::string, CachedHash>;

struct SnapshotStats {
    size_t files = 0, keys = 0, values = 0;
    uint64_t bytes_hashed = 0;
    unsigned long files_ms = 0; // of the whole walk
};

// Walks C:\ and HKLM, HKCU of the running system (Win32 only).
bool take_snapshot(Snapshot& snapshot, SnapshotHashCache& cache, SnapshotStats& stats,
                   std::string& error);
