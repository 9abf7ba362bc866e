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

// Every snapshot as text, for a run of the driver that ends with its wineserver and is resumed:
// per snapshot "s NAME-LENGTH ITEM-COUNT" and the name, then per item "KIND NAME-LENGTH
// DETAIL-LENGTH" and the name and the detail.
std::string saved_snapshots() {
    std::string text;
    for (const auto& named : g_snapshots) {
        text += "s " + std::to_string(named.first.size()) + " " +
                std::to_string(named.second.size()) + "\n" + named.first;
        for (const auto& entry : named.second) {
            const SnapshotItem& item = entry.second;
            text += std::string(1, item.kind) + " " + std::to_string(item.name.size()) + " " +
                    std::to_string(item.detail.size()) + "\n" + item.name + item.detail;
        }
    }
    return text;
}

namespace {

bool take_header(const std::string& text, size_t& at, char& kind, size_t& a, size_t& b) {
    const size_t end = text.find('\n', at);
    if (end == std::string::npos || end - at < 5) return false;
    kind = text[at];
    unsigned long long first = 0, second = 0;
    if (std::sscanf(text.c_str() + at + 2, "%llu %llu", &first, &second) != 2) return false;
    a = size_t(first), b = size_t(second);
    at = end + 1;
    return true;
}

bool take_text(const std::string& text, size_t& at, size_t length, std::string& out) {
    if (text.size() - at < length) return false;
    out.assign(text, at, length);
    at += length;
    return true;
}

} // namespace

bool load_snapshots(const std::string& text) {
    size_t at = 0;
    while (at < text.size()) {
        char kind = 0;
        size_t name_length = 0, items = 0;
        std::string name;
        if (!take_header(text, at, kind, name_length, items) || kind != 's' ||
            !take_text(text, at, name_length, name))
            return false;
        Snapshot& snapshot = g_snapshots[name];
        for (size_t i = 0; i < items; ++i) {
            size_t item_length = 0, detail_length = 0;
            std::string item_name, detail;
            if (!take_header(text, at, kind, item_length, detail_length) ||
                !take_text(text, at, item_length, item_name) ||
                !take_text(text, at, detail_length, detail))
                return false;
            snapshot_add(snapshot, SnapshotItem::Kind(kind), item_name, detail);
        }
    }
    return true;
}
