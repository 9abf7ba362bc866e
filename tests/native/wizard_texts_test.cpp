// The folder chooser's path rules and the licence text's shape.
#include <cctype>
#include <string>

#include "check.h"
#include "ui/folder_chooser.h"
#include "ui/licence_text.h"

namespace {

void chooser_start() {
    CHECK_EQ(chooser_start_folder("D:\\Programme\\Kavento-Producer\\"),
             std::string("D:\\Programme\\Kavento-Producer"));
    CHECK_EQ(chooser_start_folder("D:\\Programme"), std::string("D:\\Programme"));
    // A drive root keeps its backslash; only one backslash is removed.
    CHECK_EQ(chooser_start_folder("D:\\"), std::string("D:\\"));
    CHECK_EQ(chooser_start_folder("D:\\a\\\\"), std::string("D:\\a\\"));
    CHECK_EQ(chooser_start_folder("ab\\"), std::string("ab\\"));
    CHECK_EQ(chooser_start_folder("abc\\"), std::string("abc"));
    CHECK_EQ(chooser_start_folder(""), std::string(""));
    // Up to the buffer's 255 characters the folder is used; beyond, no selection at all.
    std::string longest = "C:\\" + std::string(252, 'x');
    CHECK_EQ(chooser_start_folder(longest), longest);
    CHECK_EQ(chooser_start_folder(longest + "\\"), std::string());
    CHECK_EQ(chooser_start_folder(longest + "y"), std::string());
}

void chooser_results() {
    CHECK_EQ(chooser_result("D:\\"), std::string("D:\\"));
    CHECK_EQ(chooser_result("D:\\Daten"), std::string("D:\\Daten\\"));
    CHECK_EQ(chooser_result("\\\\server\\share"), std::string("\\\\server\\share\\"));
    // No file-system path: like a cancel, not the root of the current drive.
    CHECK_EQ(chooser_result(""), std::string());
}

void licence_shape() {
    const std::string text = kLicenceText;
    CHECK_EQ(text.size(), size_t(961));
    int lines = 0;
    size_t longest = 0;
    bool lone_line_ends = false;
    bool lower_case = false;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find("\r\n", start);
        CHECK(end != std::string::npos); // every line ends in CR LF, the last one too
        if (end == std::string::npos) break;
        std::string line = text.substr(start, end - start);
        for (char c : line) {
            if (c == '\r' || c == '\n') lone_line_ends = true;
            if (std::islower(static_cast<unsigned char>(c))) lower_case = true;
        }
        if (line.size() > longest) longest = line.size();
        ++lines;
        start = end + 2;
    }
    CHECK_EQ(lines, 27);
    CHECK(!lone_line_ends);
    CHECK(!lower_case);
    CHECK(longest <= 55);
    // Windows-1252 umlauts, not UTF-8 sequences.
    CHECK(text.find("\xDC") != std::string::npos);
    CHECK(text.find("\xC3") == std::string::npos);
}

} // namespace

int main() {
    chooser_start();
    chooser_results();
    licence_shape();
    return check_report();
}
