#include "check.h"
#include "env/system_check.h"

namespace {

void check_name(int32_t code, const char* want_name, int want_supported) {
    std::string name = "unchanged";
    int supported = -1;
    CHECK(windows_name_of_code(code, name, supported));
    CHECK_EQ(name, std::string(want_name));
    CHECK_EQ(supported, want_supported);
}

void test_windows_9x_line() {
    // Only the minor version decides; the major version is ignored whatever it says.
    for (uint32_t major : {0u, 4u, 5u, 6u, 10u}) {
        CHECK_EQ(windows_version_code(1, major, 0), 10);  // 95
        CHECK_EQ(windows_version_code(1, major, 10), 30); // 98 and 98 SE
        CHECK_EQ(windows_version_code(1, major, 90), 40); // ME
    }
    for (uint32_t minor : {1u, 3u, 9u, 11u, 89u, 91u, 255u, 0xFFFFFFFFu})
        CHECK_EQ(windows_version_code(1, 4, minor), 100);
}

void test_nt_line() {
    for (uint32_t minor : {0u, 1u, 51u, 99u}) {
        CHECK_EQ(windows_version_code(2, 3, minor), 5);  // NT 3.51
        CHECK_EQ(windows_version_code(2, 4, minor), 20); // NT 4
    }
    CHECK_EQ(windows_version_code(2, 5, 0), 50);  // 2000
    CHECK_EQ(windows_version_code(2, 5, 1), 60);  // XP
    CHECK_EQ(windows_version_code(2, 5, 2), 100); // Server 2003
    CHECK_EQ(windows_version_code(2, 5, 3), 100);
    // Vista and everything after: 6.0, 6.1 (7), 6.2 (8, and 10 without a manifest), 10.0.
    CHECK_EQ(windows_version_code(2, 6, 0), 100);
    CHECK_EQ(windows_version_code(2, 6, 1), 100);
    CHECK_EQ(windows_version_code(2, 6, 2), 100);
    CHECK_EQ(windows_version_code(2, 10, 0), 100);
    // Majors below 3 do not exist on NT; they count as unknown, not as NT 3.51.
    CHECK_EQ(windows_version_code(2, 0, 0), 100);
    CHECK_EQ(windows_version_code(2, 2, 0), 100);
}

void test_other_platforms() {
    // Win32s (0), Windows CE (3) and nonsense ids are unknown, even with version numbers that
    // would name a known release on another platform.
    for (uint32_t platform : {0u, 3u, 4u, 0xFFFFFFFFu}) {
        CHECK_EQ(windows_version_code(platform, 4, 10), 100);
        CHECK_EQ(windows_version_code(platform, 5, 1), 100);
        CHECK_EQ(windows_version_code(platform, 3, 51), 100);
    }
}

void test_names() {
    check_name(5, "Windows NT 3.51", 0);
    check_name(10, "Windows 95", 0);
    check_name(20, "Windows NT 4", 0);
    check_name(30, "Windows 98", 1);
    check_name(40, "Windows ME", 1);
    check_name(50, "Windows 2000", 1);
    check_name(60, "Windows XP", 1);
    check_name(100, "Windows Vista", 1);
}

void test_unknown_code_leaves_fields() {
    // Start values that no code gives, so that any write shows.
    for (int32_t code : {0, 1, 6, 29, 31, 99, 101, -1}) {
        std::string name = "unchanged";
        int supported = -1;
        CHECK(!windows_name_of_code(code, name, supported));
        CHECK_EQ(name, std::string("unchanged"));
        CHECK_EQ(supported, -1);
    }
}

} // namespace

int main() {
    test_windows_9x_line();
    test_nt_line();
    test_other_platforms();
    test_names();
    test_unknown_code_leaves_fields();
    return check_report();
}
