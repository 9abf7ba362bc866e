#include "check.h"
#include "services/text_rules.h"

static void whole_numbers() {
    CHECK_EQ(parse_whole_number("12010"), 12010);
    CHECK_EQ(parse_whole_number(" -5x"), -5);
    CHECK_EQ(parse_whole_number("  +42 7"), 42);
    CHECK_EQ(parse_whole_number("abc"), 0);
    CHECK_EQ(parse_whole_number(""), 0);
    CHECK_EQ(parse_whole_number("-"), 0);
    CHECK_EQ(parse_whole_number("\t7"), 7);
    CHECK_EQ(parse_whole_number("2147483647"), 2147483647);
    CHECK_EQ(parse_whole_number("-2147483648"), INT32_MIN);
    CHECK_EQ(parse_whole_number("4294967297"), 1); // wraps, never undefined
    CHECK_EQ(parse_whole_number(static_cast<const char*>(nullptr)), 0);
}

static void backslash_rules() {
    CHECK_EQ(without_trailing_backslash("C:\\a\\"), std::string("C:\\a"));
    CHECK_EQ(without_trailing_backslash("C:\\a\\\\"), std::string("C:\\a\\"));
    CHECK_EQ(without_trailing_backslash(""), std::string(""));
    CHECK_EQ(with_trailing_backslash("C:\\a"), std::string("C:\\a\\"));
    CHECK_EQ(with_trailing_backslash("C:\\"), std::string("C:\\"));
    CHECK_EQ(with_trailing_backslash(""), std::string(""));
    CHECK_EQ(folder_of("C:\\x\\Kavento-Install.exe"), std::string("C:\\x\\"));
    CHECK_EQ(folder_of("setup.exe"), std::string(""));
    CHECK_EQ(trim_blanks("  C:\\Programme \t"), std::string("C:\\Programme"));
    CHECK_EQ(trim_blanks("   "), std::string(""));
}

int main() {
    whole_numbers();
    backslash_rules();
    return check_report();
}
