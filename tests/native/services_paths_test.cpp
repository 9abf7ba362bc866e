// The folder services' path texts and the line splitting of file_read_line, checked against a
// plain byte-at-a-time reader over every way a file's bytes can fall into reads.
#include <cstdint>
#include <string>
#include <vector>
#include "check.h"
#include "services/path_rules.h"

namespace {

void test_path_texts() {
    CHECK_EQ(search_text("C:\\Programme", "*.*"), std::string("C:\\Programme\\*.*"));
    CHECK_EQ(search_text("C:\\Programme\\", "*.*"), std::string("C:\\Programme\\*.*"));
    CHECK_EQ(search_text("C:\\Programme", ""), std::string("C:\\Programme\\*.*"));
    CHECK_EQ(search_text("", "*.*"), std::string("*.*"));
    CHECK_EQ(search_text("", ""), std::string("*.*"));

    CHECK(within_path_limit(std::string(254, 'a')));
    CHECK(!within_path_limit(std::string(255, 'a')));
    CHECK(within_path_limit(""));

    CHECK_EQ(program_folder("C:\\Programme\\Kavento-Producer\\Kav-Producer.exe"),
             std::string("C:\\Programme\\Kavento-Producer\\"));
    CHECK_EQ(program_folder("Kav-Producer.exe"), std::string(""));
    CHECK_EQ(program_folder("\\Kav-Producer.exe"), std::string("")); // only a first "\"
    CHECK_EQ(program_folder("a\\b"), std::string("a\\"));
    CHECK_EQ(program_folder(""), std::string(""));
}

// A code page of ASCII alone: any other letter comes out as "?".
bool spell_ascii(const wchar_t* name, size_t length, std::string& out) {
    bool exact = true;
    for (size_t i = 0; i < length; ++i) {
        exact = exact && name[i] < 0x80;
        out += name[i] < 0x80 ? char(name[i]) : '?';
    }
    return exact;
}

void test_ansi_path_from_forms() {
    struct Case {
        const wchar_t *long_form, *short_form;
        const char* expected; // null: refused
    } cases[] = {
        // Exact as it is: the short form is not needed.
        {L"C:\\Program Files\\Kavento", L"C:\\PROGRA~1\\KAVENTO", "C:\\Program Files\\Kavento"},
        // Only what cannot be spelled takes its short name; the final "\" stays.
        {L"C:\\users\\\x141ukasz\\Temp\\", L"C:\\users\\_UKA~INY\\Temp\\",
         "C:\\users\\_UKA~INY\\Temp\\"},
        {L"C:\\Programme\\\x141\xf3\x64\x17a", L"C:\\PROG~1F2\\__D_~1WW",
         "C:\\Programme\\__D_~1WW"},
        // No short name: the long name came back, as inexact as before.
        {L"C:\\users\\\x141ukasz", L"C:\\users\\\x141ukasz", nullptr},
        // Forms that do not line up.
        {L"C:\\\x141ukasz", L"C:\\_UKA~INY\\X", nullptr},
        {L"C:\\\x141ukasz\\X", L"C:\\_UKA~INY", nullptr},
    };
    for (const Case& c : cases) {
        std::string path = "(refused)";
        ansi_path_from_forms(c.long_form, c.short_form, spell_ascii, path);
        CHECK_EQ(path, std::string(c.expected ? c.expected : "(refused)"));
    }
}

// The line reader as plainly as it can be said: one byte at a time, stepping back after a CR.
std::vector<std::string> reference_lines(const std::string& file, size_t reads) {
    std::vector<std::string> lines;
    size_t pos = 0;
    for (size_t n = 0; n < reads; ++n) {
        std::string line;
        while (pos < file.size()) {
            char c = file[pos++];
            if (c == '\n' || c == '\0') break;
            if (c == '\r') {
                if (pos < file.size() && file[pos] == '\n') ++pos;
                break;
            }
            line += c;
        }
        lines.push_back(line);
    }
    return lines;
}

int broken_scans = 0; // scans that overran their bytes or made no progress

// The reader built on scan_line, as file_read_line drives it, with reads of a given size.
std::vector<std::string> chunked_lines(const std::string& file, size_t reads, size_t chunk) {
    std::vector<std::string> lines;
    size_t pos = 0;
    for (size_t n = 0; n < reads; ++n) {
        std::string line;
        for (;;) {
            size_t got = std::min(chunk, file.size() - pos);
            // An exact-size heap copy, so that a read past the bytes trips the sanitizer.
            std::vector<char> data(file.begin() + long(pos), file.begin() + long(pos + got));
            LineScan scan = scan_line(data.data(), got, got < chunk);
            if (scan.length > scan.consumed || scan.consumed > got) ++broken_scans;
            line.append(data.data(), scan.length);
            pos += scan.consumed;
            if (scan.complete || got == 0) break;
            if (scan.consumed == 0) { // no progress: the reader would spin
                ++broken_scans;
                break;
            }
        }
        lines.push_back(line);
    }
    return lines;
}

void test_line_scan_cases() {
    LineScan s = scan_line("x\r\ny", 4, false);
    CHECK(s.complete && s.length == 1 && s.consumed == 3);
    s = scan_line("x\ry", 3, false);
    CHECK(s.complete && s.length == 1 && s.consumed == 2);
    s = scan_line("xy\r", 3, false); // the byte after the CR is not known yet
    CHECK(!s.complete && s.length == 2 && s.consumed == 2);
    s = scan_line("xy\r", 3, true);
    CHECK(s.complete && s.length == 2 && s.consumed == 3);
    s = scan_line("xyz", 3, false);
    CHECK(!s.complete && s.length == 3 && s.consumed == 3);
    s = scan_line("", 0, true);
    CHECK(s.complete && s.length == 0 && s.consumed == 0);
    s = scan_line("\n\n", 2, false);
    CHECK(s.complete && s.length == 0 && s.consumed == 1);

    const std::string seven("x\r\ny\rz\n", 7);
    std::vector<std::string> expected = {"x", "y", "z", "", ""};
    CHECK(reference_lines(seven, 5) == expected);
    CHECK(chunked_lines(seven, 5, 512) == expected);
    CHECK(chunked_lines(seven, 5, 2) == expected);
}

void test_line_scan_against_reference() {
    // Every file of up to 7 bytes over an alphabet of a letter and the three line ends, read in
    // every chunk size from 2 up: the chunked reader must give the reference's lines.
    const char alphabet[] = {'a', '\r', '\n', '\0'};
    int mismatches = 0;
    for (size_t length = 0; length <= 7; ++length) {
        size_t combinations = size_t(1) << (2 * length);
        for (size_t code = 0; code < combinations; ++code) {
            std::string file;
            for (size_t i = 0; i < length; ++i)
                file += alphabet[(code >> (2 * i)) & 3];
            std::vector<std::string> expected = reference_lines(file, length + 2);
            for (size_t chunk = 2; chunk <= length + 2; ++chunk)
                if (chunked_lines(file, length + 2, chunk) != expected) ++mismatches;
        }
    }
    CHECK_EQ(mismatches, 0);
    CHECK_EQ(broken_scans, 0);
}

} // namespace

int main() {
    test_path_texts();
    test_ansi_path_from_forms();
    test_line_scan_cases();
    test_line_scan_against_reference();
    return check_report();
}
