#include "check.h"
#include "core/startup.h"

namespace {

void test_recorded_version_comparison() {
    const int32_t own = 12010;
    CHECK(compare_recorded_version(false, "", own) == RecordedVersion::kNone);
    // A failed read stays "nothing recorded" whatever the text slot still holds.
    CHECK(compare_recorded_version(false, "12010", own) == RecordedVersion::kNone);
    CHECK(compare_recorded_version(true, "12010", own) == RecordedVersion::kSame);
    CHECK(compare_recorded_version(true, "12011", own) == RecordedVersion::kNewer);
    CHECK(compare_recorded_version(true, "12009", own) == RecordedVersion::kOlder);
    CHECK(compare_recorded_version(true, "99999", own) == RecordedVersion::kNewer);
    // Text as a string value would hold it: blanks, a sign, trailing junk.
    CHECK(compare_recorded_version(true, "  12010", own) == RecordedVersion::kSame);
    CHECK(compare_recorded_version(true, "+12010", own) == RecordedVersion::kSame);
    CHECK(compare_recorded_version(true, "12010abc", own) == RecordedVersion::kSame);
    CHECK(compare_recorded_version(true, "1.20.2", own) == RecordedVersion::kOlder);
    // No digits read as 0: an update over an older version, never a stop.
    CHECK(compare_recorded_version(true, "", own) == RecordedVersion::kOlder);
    CHECK(compare_recorded_version(true, "abc", own) == RecordedVersion::kOlder);
    CHECK(compare_recorded_version(true, "-12011", own) == RecordedVersion::kOlder);
    // A REG_DWORD above 2^31 comes back as its unsigned digits and wraps negative.
    CHECK(compare_recorded_version(true, "4294967295", own) == RecordedVersion::kOlder);
}

void test_stop_messages() {
    CHECK_EQ(same_version_message("1.20.1"),
             std::string("Die Programme Kavento-Producer 1.20.1 und Kavento-Player 1.20.1 sind "
                         "bereits installiert!"));
    CHECK_EQ(newer_version_message("1.20.2", "1.20.1"),
             std::string("Auf ihrem Computer ist bereits die Version 1.20.2 installiert! Mit "
                         "diesem Installer installieren Sie die Version 1.20.1."));
    CHECK_EQ(newer_version_message("12011", "1.20.1"),
             std::string("Auf ihrem Computer ist bereits die Version 12011 installiert! Mit "
                         "diesem Installer installieren Sie die Version 1.20.1."));
}

// What a recorded program_path must look like before the system is asked whether the product is
// installed there.
void test_recorded_folder_texts() {
    for (const char* good : {"C:\\Programme\\Kavento-Producer", "D:\\Kavento alt\\", "c:\\a\\b\\c"})
        CHECK(is_recorded_folder_text(good));
    for (const char* bad : {"", "C:", "C:\\", "C:\\\\", "\\Kavento-Producer", "Kavento-Producer",
                            "C:Kavento", "\\\\server\\share\\Kavento", "C:\\a\\..\\windows",
                            "C:\\a\\\\b", "C:\\a*", "C:\\NUL", "C:\\a\\\\"})
        CHECK(!is_recorded_folder_text(bad));
}

} // namespace

int main() {
    test_recorded_version_comparison();
    test_stop_messages();
    test_recorded_folder_texts();
    return check_report();
}
