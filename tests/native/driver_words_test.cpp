// The driver's platform-free parts: scenario words, variables, text conversion, the CR LF line
// check, the comparison of two snapshots, and the slots and case tables of shared scenarios.
#include "check.h"
#include "driver/scenario.cpp"
#include "driver/snapshot.cpp"
#include "driver/words.cpp"

static std::vector<std::string> words_of(const std::string& line) {
    std::vector<std::string> words;
    std::string error;
    CHECK(split_words(line, words, error));
    return words;
}

static void test_split_words() {
    using V = std::vector<std::string>;
    CHECK(words_of("click 37") == (V{"click", "37"}));
    CHECK(words_of("  box  \"Ein Titel\"\t\"*\" 6 ") == (V{"box", "Ein Titel", "*", "6"}));
    // Backslashes stay as they are except before a quote or another backslash.
    CHECK(words_of(R"(expect-file "C:\Program Files\new\x.txt")") ==
          (V{"expect-file", R"(C:\Program Files\new\x.txt)"}));
    CHECK(words_of(R"(set A "say \"hi\" \\o/")") == (V{"set", "A", R"(say "hi" \o/)"}));
    CHECK(words_of(R"(set A "")") == (V{"set", "A", ""}));
    CHECK(words_of("set A B\r") == (V{"set", "A", "B"}));
    std::vector<std::string> words;
    std::string error;
    CHECK(!split_words("box \"open", words, error));
    CHECK_EQ(error, std::string("unterminated quote"));
    CHECK(!split_words("box \"a\"b", words, error));
}

static void test_expand_variables() {
    VariableLookup lookup = [](const std::string& name, std::string& value) {
        if (name == "T")
            value = "C:\\setup";
        else if (name == "CR")
            value = "\r";
        else
            return false;
        return true;
    };
    std::string out, error;
    CHECK(expand_variables("$T\\x.exe", lookup, out, error));
    CHECK_EQ(out, std::string("C:\\setup\\x.exe"));
    CHECK(expand_variables("a${CR}b $$5", lookup, out, error));
    CHECK_EQ(out, std::string("a\rb $5"));
    CHECK(!expand_variables("$TX", lookup, out, error));
    CHECK_EQ(error, std::string("unknown variable $TX"));
    CHECK(!expand_variables("cost $", lookup, out, error));
    CHECK(!expand_variables("${T", lookup, out, error));
}

static void test_text_conversion() {
    std::string out, error;
    CHECK(utf8_to_cp1252("Zurück – 5 €", out, error));
    CHECK_EQ(out, std::string("Zur\xFC"
                              "ck \x96 5 \x80"));
    CHECK_EQ(cp1252_to_utf8(out), std::string("Zurück – 5 €"));
    // Every byte survives the way out and back, except the five that Windows-1252 leaves open.
    std::string all;
    for (int c = 1; c < 256; ++c)
        all += static_cast<char>(c);
    CHECK(utf8_to_cp1252(cp1252_to_utf8(all), out, error) == false); // U+FFFD has no byte
    std::string defined;
    for (int c = 1; c < 256; ++c)
        if (c != 0x81 && c != 0x8D && c != 0x8F && c != 0x90 && c != 0x9D)
            defined += static_cast<char>(c);
    CHECK(utf8_to_cp1252(cp1252_to_utf8(defined), out, error));
    CHECK(out == defined);
    CHECK(!utf8_to_cp1252("Ω", out, error));
    CHECK(!utf8_to_cp1252("\xC3", out, error));     // cut short
    CHECK(!utf8_to_cp1252("\xC0\xA0", out, error)); // overlong
    CHECK(!utf8_to_cp1252("\xFF", out, error));
    CHECK_EQ(show_text("a\r\n\"b\x01\xE4"), std::string("\"a\\r\\n\\\"b\\x01ä\""));
}

static void test_paths_and_numbers() {
    CHECK_EQ(windows_path("/work/build/a.exe"), std::string("Z:\\work\\build\\a.exe"));
    CHECK_EQ(windows_path("C:\\x/y"), std::string("C:\\x/y"));
    CHECK(istarts_with("C:\\Users\\Root\\Temp\\x", "c:\\users\\root\\temp"));
    CHECK(!istarts_with("C:\\U", "C:\\Users"));
    uint32_t v = 0;
    CHECK(parse_u32("70000", v) && v == 70000u);
    CHECK(parse_u32("0xC0000005", v) && v == 0xC0000005u);
    CHECK(parse_u32("-1", v) && v == 0xFFFFFFFFu);
    CHECK(!parse_u32("4294967296", v));
    CHECK(!parse_u32("12a", v));
    CHECK(!parse_u32("", v));
    CHECK(!parse_u32("-", v));
}

static void test_crlf_lines() {
    std::vector<std::string> lines;
    std::string error;
    CHECK(split_crlf_lines("eins\r\n\r\nzwei\r\n", lines, error));
    CHECK(lines == (std::vector<std::string>{"eins", "", "zwei"}));
    CHECK(split_crlf_lines("", lines, error) && lines.empty());
    CHECK(!split_crlf_lines("eins\r\nzwei", lines, error));
    CHECK_EQ(error, std::string("line 2 \"zwei\" has no CR LF at its end"));
    CHECK(!split_crlf_lines("eins\nzwei\r\n", lines, error));
    CHECK_EQ(error, std::string("line 1 \"eins\" ends with a lone LF"));
    CHECK(!split_crlf_lines("eins\rzwei\r\n", lines, error));
    CHECK(!split_crlf_lines("eins\r", lines, error));
}

static void test_hash() {
    // Pieces of any size give the hash of the whole.
    std::string data;
    for (int i = 0; i < 1000; ++i)
        data += static_cast<char>(i * 7 + i / 13);
    ContentHash whole;
    whole.add(reinterpret_cast<const unsigned char*>(data.data()), data.size());
    for (size_t piece : {1u, 3u, 15u, 16u, 17u, 333u}) {
        ContentHash parts;
        for (size_t at = 0; at < data.size(); at += piece)
            parts.add(reinterpret_cast<const unsigned char*>(data.data()) + at,
                      std::min(piece, data.size() - at));
        CHECK_EQ(parts.finish(), whole.finish());
    }
    // One changed byte anywhere, or one byte more, changes the hash.
    for (size_t at : {0u, 15u, 16u, 500u, 999u}) {
        std::string changed = data;
        changed[at] ^= 1;
        ContentHash h;
        h.add(reinterpret_cast<const unsigned char*>(changed.data()), changed.size());
        CHECK(h.finish() != whole.finish());
    }
    ContentHash zero_a, zero_b;
    const unsigned char zeros[2] = {0, 0};
    zero_a.add(zeros, 1);
    zero_b.add(zeros, 2);
    CHECK(zero_a.finish() != zero_b.finish());
}

static void test_compare_snapshots() {
    Snapshot before, after;
    snapshot_add(before, SnapshotItem::File, "C:\\a.txt", "size 1, content 01");
    snapshot_add(before, SnapshotItem::File, "C:\\gone.txt", "size 2, content 02");
    snapshot_add(before, SnapshotItem::Key, "HKCU\\Software\\Wine", "");
    snapshot_add(before, SnapshotItem::Value, "HKCU\\Software\\Wine\\Version", "sz \"win7\"");
    after = before;
    CHECK_EQ(compare_snapshots(before, after, {}, 40).total, size_t(0));
    // Names compare case-insensitively, as Windows does: a new spelling is no difference.
    snapshot_add(after, SnapshotItem::File, "C:\\A.TXT", "size 1, content 01");
    CHECK_EQ(compare_snapshots(before, after, {}, 40).total, size_t(0));

    after.erase(std::string("f") + "c:\\gone.txt");
    snapshot_add(after, SnapshotItem::File, "C:\\a.txt", "size 1, content 03");
    snapshot_add(after, SnapshotItem::Folder, "C:\\new", "");
    snapshot_add(after, SnapshotItem::Value, "HKCU\\Software\\Wine\\Version", "sz \"win98\"");
    SnapshotDiff diff = compare_snapshots(before, after, {}, 40);
    CHECK_EQ(diff.total, size_t(4));
    CHECK(diff.lines == (std::vector<std::string>{
                            "+ folder C:\\new",
                            "* file C:\\a.txt (size 1, content 01 -> size 1, content 03)",
                            "- file C:\\gone.txt (size 2, content 02)",
                            "* value HKCU\\Software\\Wine\\Version (sz \"win7\" -> sz \"win98\")",
                        }));
    diff = compare_snapshots(before, after, {"hkcu\\software\\wine", "C:\\NEW"}, 40);
    CHECK_EQ(diff.total, size_t(2));
    diff = compare_snapshots(before, after, {}, 1);
    CHECK_EQ(diff.total, size_t(4));
    CHECK_EQ(diff.lines.size(), size_t(1));
}

static void test_registry_values() {
    const unsigned char seven[4] = {7, 0, 0, 0};
    CHECK_EQ(describe_registry_value(4, seven, 4), std::string("dword 7"));
    const unsigned char text[] = "Wert";
    CHECK_EQ(describe_registry_value(1, text, 5), std::string("sz \"Wert\""));
    CHECK_EQ(describe_registry_value(1, text, 4), std::string("sz \"Wert\" without closing zero"));
    CHECK_EQ(describe_registry_value(3, seven, 2), std::string("type 3, 2 bytes: 07 00"));
    // Long values are cut for reading but still told apart by their hash.
    std::string a(300, 'x'), b(300, 'x');
    b[250] = 'y';
    CHECK(describe_registry_value(1, reinterpret_cast<const unsigned char*>(a.c_str()), 301) !=
          describe_registry_value(1, reinterpret_cast<const unsigned char*>(b.c_str()), 301));
}

static void test_slots_and_cases() {
    using V = std::vector<std::string>;
    const std::string table = "# cases\n"
                              "defaults\n"
                              "program  $KV_INSTALLER\n"
                              "progress 0\n"
                              "case seam\n"
                              "program  C:\\seams.exe kv-fail-step=8\n"
                              "prepare  mkdir $T\n"
                              "prepare  write-file $T\\x \"a b\"\n"
                              "case plain\n";
    Slots slots;
    std::string error;
    CHECK(read_case(table, "seam", slots, error));
    CHECK(slots["program"] == (V{"C:\\seams.exe kv-fail-step=8"})); // the case over the default
    CHECK(slots["prepare"] == (V{"mkdir $T", "write-file $T\\x \"a b\""}));
    CHECK(slots["progress"] == (V{"0"}));
    CHECK(read_case(table, "plain", slots, error));
    CHECK(slots["program"] == (V{"$KV_INSTALLER"}) && !slots.count("prepare"));
    CHECK(!read_case(table, "other", slots, error));
    CHECK_EQ(error, std::string("no case other"));
    CHECK(!read_case("prepare x\ncase a\n", "a", slots, error));
    CHECK(!read_case("case a\ncase a\n", "a", slots, error));

    CHECK(read_case(table, "seam", slots, error));
    V out;
    std::set<std::string> used;
    CHECK(fill_slots("  @prepare@", slots, out, used, error));
    CHECK(out == slots["prepare"]);
    CHECK(fill_slots("@then@", slots, out, used, error) && out.empty());
    CHECK(fill_slots("start @program@ @none@x mail@host", slots, out, used, error));
    CHECK(out == (V{"start C:\\seams.exe kv-fail-step=8 x mail@host"}));
    CHECK((used == std::set<std::string>{"prepare", "then", "program", "none"}));
    CHECK(!fill_slots("echo @prepare@", slots, out, used, error));
    CHECK(scenario_lines("\xEF\xBB\xBF"
                         "a\r\nb\n\nc") == (V{"a", "b", "", "c"}));
}

int main() {
    test_split_words();
    test_expand_variables();
    test_text_conversion();
    test_paths_and_numbers();
    test_crlf_lines();
    test_hash();
    test_compare_snapshots();
    test_registry_values();
    test_slots_and_cases();
    return check_report();
}
