// The payload format without files: entry headers and contents, the file-name list of entry 0,
// the bare-name rule that keeps listed files inside the target folder, and the library signature
// search. The installer and kvpack both read by these rules.
#include "check.h"
#include "payload/pack_format.h"
#include "payload/stream_format.h"
#include "services/text_rules.h"
#include "stream_test_bits.h"

namespace {

std::vector<std::string> names_of(const std::string& text) {
    return parse_file_name_list(reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

void entry_header() {
    const uint8_t bytes[8] = {0x20, 0x62, 0x12, 0x00, 0x5E, 0xCE, 0x07, 0x80};
    EntryHeader h = parse_entry_header(bytes);
    CHECK_EQ(h.unpacked_size, 1204768u);
    CHECK_EQ(h.packed_size, 0x8007CE5Eu);
    // Up to the cap a size is allowed; beyond it, as with the 0xFFFFFFFF that makes size + 1
    // wrap in the 32-bit installer, the entry is refused before anything is allocated.
    CHECK(entry_sizes_allowed(EntryHeader{kMaxDeclaredSize, kMaxDeclaredSize}));
    CHECK(!entry_sizes_allowed(EntryHeader{0xFFFFFFFFu, 58}));
    CHECK(!entry_sizes_allowed(EntryHeader{3, kMaxDeclaredSize + 1}));
}

// unpack_entry on a private copy of the packed bytes, into bytes sized as the header says.
bool unpacks(uint32_t unpacked_size, const std::vector<uint8_t>& packed,
             std::vector<uint8_t>& bytes) {
    std::vector<uint8_t> in(packed);
    bytes.assign(unpacked_size, 0);
    return unpack_entry(EntryHeader{unpacked_size, uint32_t(in.size())}, in.data(), bytes.data());
}

void entry_contents() {
    const std::vector<uint8_t> xyz = {'x', 'y', 'z'};
    std::vector<uint8_t> bytes;
    CHECK(unpacks(3, xyz, bytes) && bytes == xyz);
    // The installer reads a stored entry straight into its buffer: nothing to copy.
    std::vector<uint8_t> in_place = xyz;
    CHECK(unpack_entry(EntryHeader{3, 3}, in_place.data(), in_place.data()) && in_place == xyz);
    CHECK(unpacks(0, {}, bytes) && bytes.empty());

    StreamBits abc;
    abc.width8().literal('a', 8).literal('b', 8).literal('c', 8).short_match(3, 3).end();
    CHECK(unpacks(6, abc.stream(6, 0xC1CCCAC2), bytes) &&
          bytes == (std::vector<uint8_t>{'a', 'b', 'c', 'a', 'b', 'c'}));
    CHECK(!unpacks(6, abc.stream(6, 0xC1CCCAC3), bytes));     // check value does not match
    CHECK(!unpacks(5, abc.stream(6, 0), bytes));              // the stream declares another size
    CHECK(!unpacks(7, std::vector<uint8_t>(14, 'x'), bytes)); // not a stream at all

    // A compressed entry of 0 bytes is an empty file, as long as its stream is sound.
    StreamBits empty;
    empty.width8().end();
    CHECK(unpacks(0, empty.stream(0, 0), bytes) && bytes.empty());
    CHECK(!unpacks(0, empty.stream(0, 1), bytes));
    CHECK(!unpacks(0, StreamBits().stream(0, 0), bytes)); // no end token
}

void file_name_list() {
    // Entry 0 of this installer's payload, made of the names under which the installer itself
    // refers to the programs (links, the start at the end, the library's host): 76 bytes.
    const std::string producer = kProducerExe;
    std::string payload_list;
    for (const std::string& name :
         {std::string(kPlayerExe), producer, producer + ".manifest", std::string(kUninstallExe)})
        payload_list += name + "\r\n";
    CHECK_EQ(payload_list.size(), size_t(76));
    CHECK((names_of(payload_list) == std::vector<std::string>{"Kav-Player.exe", "Kav-Producer.exe",
                                                              "Kav-Producer.exe.manifest",
                                                              "Uninstall.exe"}));

    CHECK((names_of("a.exe\r\nb.exe\r\n") == std::vector<std::string>{"a.exe", "b.exe"}));
    // Without its closing CR LF the last name is lost.
    CHECK((names_of("a.exe\r\nb.exe") == std::vector<std::string>{"a.exe"}));
    CHECK((names_of("a.exe\r\n\r\nb.exe\r\n") == std::vector<std::string>{"a.exe", "", "b.exe"}));
    // A zero byte ends the text.
    CHECK(
        (names_of(std::string("a.exe\r\nb\0c.exe\r\n", 16)) == std::vector<std::string>{"a.exe"}));
    // The byte after a CR is skipped whatever it is; a CR as the very last byte still ends a name.
    CHECK((names_of("a\rXb\r\n") == std::vector<std::string>{"a", "b"}));
    CHECK((names_of("a\r") == std::vector<std::string>{"a"}));
    CHECK(names_of("").empty());
    CHECK(parse_file_name_list(nullptr, 10).empty());
}

void bare_names() {
    for (const char* good : {"Kav-Player.exe", "Kav-Producer.exe.manifest", "a", ".hidden", "a b"})
        CHECK(is_bare_file_name(good));
    for (const char* bad : {"",
                            ".",
                            "..",
                            "...",
                            " ",
                            "..\\evil.exe",
                            "sub\\a.exe",
                            "sub/a.exe",
                            "/etc",
                            "C:evil.exe",
                            "C:\\Windows\\evil.exe",
                            "a.exe:stream",
                            "\\\\server\\share\\a",
                            "a.exe.",
                            "a.exe ",
                            "a*b",
                            "a?b",
                            "a\"b",
                            "a<b",
                            "a|b",
                            "a\tb",
                            "nul.txt"})
        CHECK(!is_bare_file_name(bad));
}

// The names Windows opens as devices, as every path check of the installer and the uninstaller
// refuses them.
void device_names() {
    for (const char* device :
         {"CON", "con", "Nul", "AUX", "PRN", "COM1", "com9", "LPT1", "lpt9", "CONIN$", "conout$",
          "COM\xb9", "LPT\xb3", "NUL.txt", "con.tar.gz", "AUX .x", "PRN.", "CON  ", "nul . ."})
        CHECK(is_device_name(device));
    for (const char* name : {"CONS", "CO", "COM", "COM0", "COM10", "LPT", "NULL", "xCON", ".CON",
                             "CON_", "Konsole.txt", "AUX1", "COM\xb4", ""})
        CHECK(!is_device_name(name));
}

void signature_search() {
    std::vector<uint8_t> data(1000);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = uint8_t(i * 7 + (i >> 3));
    std::vector<uint8_t> sig(data.begin() + 300, data.begin() + 500);
    CHECK_EQ(find_signature(data.data(), data.size(), sig.data(), sig.size()), int64_t(300));

    // The first of two places wins; a near miss (last byte differs) is passed over.
    std::vector<uint8_t> twice = data;
    std::copy(sig.begin(), sig.end(), twice.begin() + 700);
    std::copy(sig.begin(), sig.end() - 1, twice.begin() + 50);
    CHECK_EQ(find_signature(twice.data(), twice.size(), sig.data(), sig.size()), int64_t(300));

    // The last start tried is length - 201 for the 200-byte block: one byte must follow it.
    // Flush with the end, or running past it, it is not found.
    std::vector<uint8_t> tail(data.begin(), data.begin() + 501);
    CHECK_EQ(find_signature(tail.data(), tail.size(), sig.data(), sig.size()), int64_t(300));
    std::vector<uint8_t> flush(data.begin(), data.begin() + 500);
    CHECK_EQ(find_signature(flush.data(), flush.size(), sig.data(), sig.size()), int64_t(-1));
    std::vector<uint8_t> cut(data.begin(), data.begin() + 499);
    CHECK_EQ(find_signature(cut.data(), cut.size(), sig.data(), sig.size()), int64_t(-1));
    CHECK_EQ(find_signature(sig.data(), 199, sig.data(), sig.size()), int64_t(-1));
    CHECK_EQ(find_signature(data.data() + 300, 201, sig.data(), sig.size()), int64_t(0));
    CHECK_EQ(find_signature(sig.data(), sig.size(), sig.data(), sig.size()), int64_t(-1));
    CHECK_EQ(find_signature(nullptr, 0, sig.data(), sig.size()), int64_t(-1));

    CHECK_EQ(library_copy_length(1204768, 740916, 161280), size_t(161280));
    CHECK_EQ(library_copy_length(1000, 900, 161280), size_t(100));
    CHECK_EQ(library_copy_length(1000, 1000, 161280), size_t(0));
    CHECK_EQ(library_copy_length(1000, 5000, 161280), size_t(0));
}

} // namespace

int main() {
    entry_header();
    entry_contents();
    file_name_list();
    bare_names();
    device_names();
    signature_search();
    return check_report();
}
