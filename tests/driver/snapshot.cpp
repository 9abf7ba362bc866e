#include "driver/snapshot.h"

#include "driver/words.h"

#include <cstdio>

void snapshot_add(Snapshot& snapshot, SnapshotItem::Kind kind, const std::string& name,
                  const std::string& detail) {
    std::string key(1, static_cast<char>(kind));
    key += to_lower_ascii(name);
    snapshot[key] = SnapshotItem{kind, name, detail};
}

static const char* kind_name(SnapshotItem::Kind kind) {
    switch (kind) {
    case SnapshotItem::Folder:
        return "folder";
    case SnapshotItem::File:
        return "file";
    case SnapshotItem::Key:
        return "key";
    case SnapshotItem::Value:
        return "value";
    }
    return "?";
}

// CurrentControlSet and ControlSet001 are one key under two names (which of them is the link
// differs between Wine's saved registry and a walk); an exclusion under either covers both.
static std::string one_control_set(const std::string& name) {
    static const std::string current = "HKLM\\System\\CurrentControlSet";
    static const std::string first = "HKLM\\System\\ControlSet001";
    if (istarts_with(name, first) && (name.size() == first.size() || name[first.size()] == '\\'))
        return current + name.substr(first.size());
    return name;
}

static bool excluded(const std::string& name, const std::vector<std::string>& excludes) {
    std::string canonical = one_control_set(name);
    for (const auto& e : excludes)
        if (!e.empty() && istarts_with(canonical, one_control_set(e))) return true;
    return false;
}

static std::string describe(char sign, const SnapshotItem& item) {
    std::string line =
        std::string(1, sign) + " " + kind_name(item.kind) + " " + cp1252_to_utf8(item.name);
    if (!item.detail.empty()) line += " (" + item.detail + ")";
    return line;
}

SnapshotDiff compare_snapshots(const Snapshot& before, const Snapshot& after,
                               const std::vector<std::string>& excludes, size_t max_lines) {
    SnapshotDiff diff;
    auto note = [&](std::string line) {
        ++diff.total;
        if (diff.lines.size() < max_lines) diff.lines.push_back(std::move(line));
    };
    auto a = before.begin();
    auto b = after.begin();
    // Both maps are sorted by the same key, so one merge pass finds every difference in order.
    while (a != before.end() || b != after.end()) {
        if (b == after.end() || (a != before.end() && a->first < b->first)) {
            if (!excluded(a->second.name, excludes)) note(describe('-', a->second));
            ++a;
        } else if (a == before.end() || b->first < a->first) {
            if (!excluded(b->second.name, excludes)) note(describe('+', b->second));
            ++b;
        } else {
            if (a->second.detail != b->second.detail && !excluded(b->second.name, excludes))
                note("* " + std::string(kind_name(b->second.kind)) + " " +
                     cp1252_to_utf8(b->second.name) + " (" + a->second.detail + " -> " +
                     b->second.detail + ")");
            ++a;
            ++b;
        }
    }
    return diff;
}

std::string describe_registry_value(unsigned long type, const unsigned char* data, size_t size) {
    // Registry type numbers, as the platform defines them.
    enum : unsigned long { Sz = 1, ExpandSz = 2, Binary = 3, Dword = 4, MultiSz = 7 };
    const size_t kShown = 100;
    std::string out;
    if ((type == Sz || type == ExpandSz || type == MultiSz)) {
        out = type == Sz ? "sz" : type == ExpandSz ? "expand-sz" : "multi-sz";
        std::string text(reinterpret_cast<const char*>(data), size);
        // A text stored without its closing zero is worth seeing: readers may run past it.
        bool terminated = !text.empty() && text.back() == '\0';
        if (terminated) text.pop_back();
        if (type == MultiSz)
            for (char& c : text)
                if (c == '\0') c = '|';
        bool cut = text.size() > kShown;
        out += " " + show_text(cut ? text.substr(0, kShown) : text);
        if (!terminated) out += " without closing zero";
        if (cut) {
            ContentHash h;
            h.add(data, size);
            char tail[48];
            std::snprintf(tail, sizeof tail, "... %zu bytes, hash %016llx", size,
                          static_cast<unsigned long long>(h.finish()));
            out += tail;
        }
        return out;
    }
    if (type == Dword && size == 4) {
        uint32_t v = static_cast<uint32_t>(data[0]) | static_cast<uint32_t>(data[1]) << 8 |
                     static_cast<uint32_t>(data[2]) << 16 | static_cast<uint32_t>(data[3]) << 24;
        return "dword " + std::to_string(v);
    }
    char head[32];
    std::snprintf(head, sizeof head, "type %lu, %zu bytes", type, size);
    out = head;
    if (size > 0) out += ":";
    for (size_t i = 0; i < size && i < 32; ++i) {
        char hex[4];
        std::snprintf(hex, sizeof hex, " %02x", data[i]);
        out += hex;
    }
    if (size > 32) {
        ContentHash h;
        h.add(data, size);
        char tail[40];
        std::snprintf(tail, sizeof tail, " ... hash %016llx",
                      static_cast<unsigned long long>(h.finish()));
        out += tail;
    }
    return out;
}
