// The import guard's reader and rules on small images built here: what it reads from a good
// image, what it refuses, and that no damaged image makes it read outside the bytes.
#include <cstdint>
#include <string>
#include <vector>
#include "check.h"
#include "import_rules.h"
#include "pe_imports.h"

namespace {

constexpr uint32_t kSectionRva = 0x1000;
constexpr uint32_t kSectionOffset = 0x200;
constexpr uint32_t kOptionalSize = 224;

struct Image {
    std::vector<uint8_t> bytes = std::vector<uint8_t>(kSectionOffset, 0);
    void put16(size_t at, uint32_t v) {
        if (bytes.size() < at + 2) bytes.resize(at + 2);
        bytes[at] = uint8_t(v);
        bytes[at + 1] = uint8_t(v >> 8);
    }
    void put32(size_t at, uint32_t v) {
        put16(at, v & 0xFFFF);
        put16(at + 2, v >> 16);
    }
    // Appends to the one section; returns the address it gets in the loaded image.
    uint32_t add(const std::vector<uint8_t>& data) {
        uint32_t rva = kSectionRva + uint32_t(bytes.size() - kSectionOffset);
        bytes.insert(bytes.end(), data.begin(), data.end());
        return rva;
    }
    uint32_t add_text(const std::string& text, size_t skip = 0) {
        std::vector<uint8_t> data(skip, 0);
        data.insert(data.end(), text.begin(), text.end());
        data.push_back(0);
        return add(data);
    }
};

struct Library {
    std::string name;
    std::vector<std::string> functions; // "#N" for an ordinal
};

// A PE32 image with one section holding the import table of these libraries.
std::vector<uint8_t> build_image(const std::vector<Library>& libraries, uint16_t os = 4,
                                 uint16_t subsystem = 4, bool delay_imports = false) {
    Image image;
    image.bytes[0] = 'M';
    image.bytes[1] = 'Z';
    image.put32(0x3C, 0x40);
    image.put32(0x40, 0x00004550);
    const size_t coff = 0x44, optional = coff + 20, section = optional + kOptionalSize;
    image.put16(coff, 0x14C);
    image.put16(coff + 2, 1);
    image.put16(coff + 16, kOptionalSize);
    image.put16(optional, 0x10B);
    image.put16(optional + 40, os);
    image.put16(optional + 48, subsystem);
    image.put32(optional + 92, 16);

    // Descriptors first (one per library and the closing empty one), filled in below.
    const uint32_t table = image.add(std::vector<uint8_t>((libraries.size() + 1) * 20, 0));
    for (size_t i = 0; i < libraries.size(); ++i) {
        std::vector<uint32_t> thunks;
        for (const std::string& f : libraries[i].functions)
            thunks.push_back(f[0] == '#' ? 0x80000000u | uint32_t(std::stoul(f.substr(1)))
                                         : image.add_text(f, 2));
        thunks.push_back(0);
        std::vector<uint8_t> thunk_bytes;
        for (uint32_t t : thunks)
            for (int b = 0; b < 4; ++b)
                thunk_bytes.push_back(uint8_t(t >> (8 * b)));
        uint32_t names = image.add(thunk_bytes);
        uint32_t library_name = image.add_text(libraries[i].name);
        size_t descriptor = kSectionOffset + (table - kSectionRva) + i * 20;
        image.put32(descriptor, names);
        image.put32(descriptor + 12, library_name);
        image.put32(descriptor + 16, names);
    }
    const uint32_t size = uint32_t(image.bytes.size() - kSectionOffset);
    image.put32(optional + 96 + 1 * 8, table);
    image.put32(optional + 100 + 1 * 8, uint32_t(libraries.size() + 1) * 20);
    if (delay_imports) {
        image.put32(optional + 96 + 13 * 8, table);
        image.put32(optional + 100 + 13 * 8, 32);
    }
    image.put32(section + 8, size);
    image.put32(section + 12, kSectionRva);
    image.put32(section + 16, size);
    image.put32(section + 20, kSectionOffset);
    return image.bytes;
}

const char* const kAllowList = "# a comment\n"
                               "\n"
                               "KERNEL32.DLL GetFileSize 95 NT3.1\n"
                               "kernel32.dll GetFileSizeEx - 2000  # looked up at run time\n"
                               "USER32.DLL   GetAncestor 98 2000\n"
                               "MSVCRT.DLL   malloc 95 NT4\n";

AllowList allow_list() {
    AllowList list;
    std::string err;
    CHECK(parse_allow_list(kAllowList, list, err));
    return list;
}

std::vector<std::string> problems_of(const std::vector<Library>& libraries, uint16_t os = 4,
                                     bool delay_imports = false) {
    PeHeader header;
    std::string err;
    CHECK(read_pe_header(build_image(libraries, os, 4, delay_imports), header, err));
    return import_problems(allow_list(), header);
}

void test_reads_imports_and_versions() {
    PeHeader header;
    std::string err;
    CHECK(read_pe_header(
        build_image({{"KERNEL32.dll", {"GetFileSize", "#17"}}, {"msvcrt.dll", {"malloc"}}}, 5, 6),
        header, err));
    CHECK_EQ(header.os_major, uint16_t(5));
    CHECK_EQ(header.subsystem_major, uint16_t(6));
    CHECK(!header.has_delay_imports);
    CHECK_EQ(header.imports.size(), size_t(3));
    if (header.imports.size() == 3) {
        CHECK_EQ(header.imports[0].library, std::string("KERNEL32.dll"));
        CHECK_EQ(header.imports[0].function, std::string("GetFileSize"));
        CHECK_EQ(header.imports[1].function, std::string("#17"));
        CHECK_EQ(header.imports[2].library, std::string("msvcrt.dll"));
        CHECK_EQ(header.imports[2].function, std::string("malloc"));
    }
}

void test_rules() {
    // Listed and old enough, whatever the spelling of the library.
    CHECK(problems_of({{"kernel32.dll", {"GetFileSize"}}, {"msvcrt.dll", {"malloc"}}}).empty());

    std::vector<std::string> p = problems_of({{"KERNEL32.dll", {"GetFileSizeEx", "Beep"}}});
    CHECK_EQ(p.size(), size_t(3));
    if (p.size() == 3) {
        CHECK_EQ(p[0], std::string("KERNEL32.dll GetFileSizeEx: missing from Windows 95, 98 "
                                   "and ME"));
        CHECK_EQ(p[1], std::string("KERNEL32.dll GetFileSizeEx: needs Windows 2000 (missing "
                                   "from NT 4)"));
        CHECK_EQ(p[2], std::string("KERNEL32.dll Beep: not on the allow-list"));
    }
    p = problems_of({{"USER32.dll", {"GetAncestor"}}});
    CHECK_EQ(p.size(), size_t(2));
    if (!p.empty())
        CHECK_EQ(p[0], std::string("USER32.dll GetAncestor: needs Windows 98 "
                                   "(missing from 95)"));

    // A library that could be planted beside the program is named once, whatever it offers.
    p = problems_of({{"COMCTL32.DLL", {"InitCommonControls", "InitCommonControlsEx"}}});
    CHECK_EQ(p.size(), size_t(1));
    if (!p.empty()) CHECK(p[0].find("COMCTL32.DLL: not a library the system loads only") == 0);

    // A header that asks for a newer Windows, and imports the guard cannot see.
    p = problems_of({{"KERNEL32.dll", {"GetFileSize"}}}, 5);
    CHECK_EQ(p.size(), size_t(1));
    if (!p.empty()) CHECK(p[0].find("header asks for Windows 5.0") == 0);
    CHECK_EQ(problems_of({}, 4, true).size(), size_t(1));
}

void test_allow_list_errors() {
    AllowList list;
    std::string err;
    CHECK(!parse_allow_list("KERNEL32.DLL GetFileSize 95\n", list, err));
    CHECK_EQ(err, std::string("line 1: expected LIBRARY FUNCTION OLDEST-95-LINE OLDEST-NT-LINE"));
    CHECK(!parse_allow_list("\nKERNEL32.DLL GetFileSize 96 NT3.1\n", list, err));
    CHECK_EQ(err, std::string("line 2: unknown release 96 (95, 98, ME, -)"));
    CHECK(!parse_allow_list("KERNEL32.DLL GetFileSize 95 NT5\n", list, err));
    CHECK(!parse_allow_list("KERNEL32.DLL A 95 NT4\nkernel32.dll A 95 NT4\n", list, err));
    CHECK_EQ(err, std::string("line 2: A listed twice"));
    CHECK(!parse_allow_list("KERNEL32.DLL A 95 NT4 extra\n", list, err));
}

// Every cut of a good image and damaged pointers: refused or read, never read outside.
void test_damaged_images() {
    const std::vector<uint8_t> good =
        build_image({{"KERNEL32.dll", {"GetFileSize", "#3"}}, {"USER32.dll", {"GetParent"}}});
    PeHeader header;
    std::string err;
    int refused = 0;
    for (size_t length = 0; length < good.size(); ++length) {
        std::vector<uint8_t> cut(good.begin(), good.begin() + length);
        if (!read_pe_header(cut, header, err)) ++refused;
    }
    CHECK_EQ(refused, int(good.size())); // the names run to the last byte
    CHECK(read_pe_header(good, header, err));

    // Every 32-bit field of the headers and the import table pointed far away in turn: the
    // sanitizers stop the test at any read outside the bytes.
    for (size_t at = 0x3C; at + 4 <= good.size(); at += 4) {
        std::vector<uint8_t> bad = good;
        bad[at + 3] ^= 0x7F;
        read_pe_header(bad, header, err);
    }
    // The first library's name and function list, pointed past the section.
    const size_t descriptor = kSectionOffset;
    std::vector<uint8_t> bad = good;
    bad[descriptor + 12 + 2] = 0x10;
    CHECK(!read_pe_header(bad, header, err));
    CHECK_EQ(err, std::string("library name outside the file"));
    bad = good;
    bad[descriptor + 2] = 0x10;
    CHECK(!read_pe_header(bad, header, err));
    CHECK_EQ(err, std::string("KERNEL32.dll: function list outside the file"));

    std::vector<uint8_t> no_mz = good;
    no_mz[0] = 'X';
    CHECK(!read_pe_header(no_mz, header, err));
    CHECK_EQ(err, std::string("not an executable (no MZ header)"));
}

} // namespace

int main() {
    test_reads_imports_and_versions();
    test_rules();
    test_allow_list_errors();
    test_damaged_images();
    return check_report();
}
