// Reading the registry text that Wine's server writes for RegSaveKey into snapshot items.
#include "check.h"
#include "driver/saved_registry.cpp"
#include "driver/snapshot.cpp"
#include "driver/words.cpp"

static std::string detail(const Snapshot& s, const std::string& value) {
    auto it = s.find("v" + to_lower_ascii(value));
    return it == s.end() ? "(missing)" : it->second.detail;
}

static bool has_key(const Snapshot& s, const std::string& key) {
    return s.count("k" + to_lower_ascii(key)) == 1;
}

static void test_values_of_every_form() {
    const std::string text =
        "WINE REGISTRY Version 2\n"
        ";; All keys relative to REGISTRY\\\\Machine\n"
        "\n"
        "#arch=win32\n"
        "\n"
        "[Software\\\\Kavento-Producer] 1796618975\n"
        "#time=1dd86065b8de5d4\n"
        "@=\"Standard\"\n"
        "\"program_path\"=\"C:\\\\Program Files\\\\Kavento-Producer\"\n"
        "\"version_number\"=dword:00002eea\n"
        "\"Gr\\xfc\\xdf\\x20ac\"=\"Zur\\x00fcck \\\"hier\\\"\\r\\n\\t\\0\"\n"
        "\"Pfad\"=str(2):\"%SystemRoot%\\\\x\"\n"
        "\"Liste\"=str(7):\"eins\\0zwei\\0\"\n"
        "\"Roh\"=hex(1):52,00,6f,00,68,00\n"
        "\"Bytes\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,\\\n"
        "  15,16,17\n"
        "\"Q\"=hex(b):01,00,00,00,00,00,00,00\n"
        "\n"
        "[Software\\\\Leer\\\\Ganz\\\\Tief] 1796618975\n"
        "#time=1dd86065b8de5d4\n"
        "\n"
        "[Software\\\\Klammer\\]\\[] 1796618975\n";
    Snapshot s;
    SnapshotStats stats;
    std::string error;
    CHECK(read_saved_registry(text, "HKLM", s, stats, error));
    CHECK_EQ(error, std::string(""));
    const std::string k = "HKLM\\Software\\Kavento-Producer\\";
    CHECK_EQ(detail(s, k + "(default)"), std::string("sz \"Standard\""));
    CHECK_EQ(detail(s, k + "program_path"),
             std::string("sz \"C:\\Program Files\\Kavento-Producer\""));
    CHECK_EQ(detail(s, k + "version_number"), std::string("dword 12010"));
    // \x escapes give UTF-16 units, shown here as Windows-1252 (the euro sign is 0x80); a unit
    // followed by a hex digit is written with all four digits.
    CHECK_EQ(detail(s, k + "Gr\xFC\xDF\x80"),
             std::string("sz \"Zurück \\\"hier\\\"\\r\\n\\t\\x00\""));
    CHECK_EQ(detail(s, k + "Pfad"), std::string("expand-sz \"%SystemRoot%\\x\""));
    CHECK_EQ(detail(s, k + "Liste"), std::string("multi-sz \"eins|zwei|\""));
    // A text stored without its closing zero is written in hex; it must stay recognisable.
    CHECK_EQ(detail(s, k + "Roh"), std::string("sz \"Roh\" without closing zero"));
    CHECK_EQ(detail(s, k + "Bytes"),
             std::string("type 3, 24 bytes: 00 01 02 03 04 05 06 07 08 09 0a 0b 0c 0d 0e 0f 10 "
                         "11 12 13 14 15 16 17"));
    CHECK_EQ(detail(s, k + "Q"), std::string("type 11, 8 bytes: 01 00 00 00 00 00 00 00"));
    // Keys that hold only sub-keys are not written but exist.
    CHECK(has_key(s, "HKLM"));
    CHECK(has_key(s, "HKLM\\Software"));
    CHECK(has_key(s, "HKLM\\Software\\Leer"));
    CHECK(has_key(s, "HKLM\\Software\\Leer\\Ganz"));
    CHECK(has_key(s, "HKLM\\Software\\Leer\\Ganz\\Tief"));
    CHECK(has_key(s, "HKLM\\Software\\Klammer]["));
    CHECK_EQ(stats.values, size_t(9));
    CHECK_EQ(stats.keys, size_t(6));
}

static void test_damaged_text_is_refused() {
    const std::string head = "WINE REGISTRY Version 2\n[Software] 1\n";
    for (const char* bad : {"\"name=\"x\"\n", "\"n\"=\"open\n", "\"n\"=dword:xyz\n",
                            "\"n\"=hex:0g\n", "\"n\"=hex(zz):00\n", "\"n\"=str(2\"x\"\n",
                            "\"n\"=unknown\n", "garbage\n", "[Software\\\\open\n"}) {
        Snapshot s;
        SnapshotStats stats;
        std::string error;
        CHECK(!read_saved_registry(head + bad, "HKLM", s, stats, error));
        CHECK(!error.empty());
    }
    Snapshot s;
    SnapshotStats stats;
    std::string error;
    CHECK(!read_saved_registry("REGEDIT4\n", "HKLM", s, stats, error));
    CHECK(!read_saved_registry("WINE REGISTRY Version 2\n\"n\"=\"x\"\n", "HKLM", s, stats, error));
}

static void test_control_set_names() {
    // One key, two names: an exclusion under either name covers a change under the other.
    Snapshot before, after;
    snapshot_add(after, SnapshotItem::Value,
                 "HKLM\\System\\CurrentControlSet\\Control\\Session Manager\\Pending", "x");
    snapshot_add(after, SnapshotItem::Value, "HKLM\\System\\ControlSet0011\\Other", "x");
    SnapshotDiff diff = compare_snapshots(
        before, after, {"HKLM\\System\\ControlSet001\\Control\\Session Manager"}, 40);
    CHECK_EQ(diff.total, size_t(1));
    CHECK(diff.lines ==
          std::vector<std::string>{"+ value HKLM\\System\\ControlSet0011\\Other (x)"});
    diff = compare_snapshots(before, after, {"hklm\\system\\currentcontrolset\\"}, 40);
    CHECK_EQ(diff.total, size_t(1));
}

int main() {
    test_values_of_every_form();
    test_damaged_text_is_refused();
    test_control_set_names();
    return check_report();
}
