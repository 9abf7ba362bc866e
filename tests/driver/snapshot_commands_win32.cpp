// The driver's snapshot commands: record the whole system, and compare it later with what was
// recorded, except what the scenario names.
#include <windows.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "driver/driver.h"
#include "driver/snapshot.h"
#include "driver/words.h"

static std::map<std::string, Snapshot> g_snapshots;
static SnapshotHashCache
    g_hash_cache; // shared by every walk, so that later walks hash only what changed

bool cmd_snapshot(const Args& a) {
    Snapshot snapshot;
    std::string error;
    DWORD start = GetTickCount();
    SnapshotStats stats;
    if (!take_snapshot(snapshot, g_hash_cache, stats, error)) return fail(error);
    std::printf("     snapshot %s: %lu files (%.1f MB hashed) in %lu ms, %lu keys and %lu values "
                "in %lu ms\n",
                a[1].c_str(), static_cast<unsigned long>(stats.files),
                stats.bytes_hashed / 1048576.0, stats.files_ms,
                static_cast<unsigned long>(stats.keys), static_cast<unsigned long>(stats.values),
                static_cast<unsigned long>(GetTickCount() - start - stats.files_ms));
    g_snapshots[a[1]] = std::move(snapshot);
    return true;
}

bool cmd_expect_snapshot(const Args& a) {
    auto it = g_snapshots.find(a[1]);
    if (it == g_snapshots.end()) return fail("no snapshot named " + a[1]);
    Snapshot now;
    std::string error;
    SnapshotStats stats;
    if (!take_snapshot(now, g_hash_cache, stats, error)) return fail(error);
    std::vector<std::string> excludes(a.begin() + 2, a.end());
    for (auto& e : excludes)
        e = windows_path(e);
    // Wine's own bookkeeping, which changes when any program opens a window.
    excludes.push_back("HKCU\\Software\\Wine\\Temporary System Parameters");
    SnapshotDiff diff = compare_snapshots(it->second, now, excludes, kMaxListedDifferences);
    if (diff.total == 0) return true;
    std::string why = number_text(diff.total) + " differences from snapshot " + a[1] + ":";
    for (const auto& line : diff.lines)
        why += "\n    " + line;
    if (diff.total > diff.lines.size())
        why += "\n    ... and " + number_text(diff.total - diff.lines.size()) + " more";
    return fail(why);
}
