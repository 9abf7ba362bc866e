// The registry layer's text rules: the leading "\" of a sub key, the text of a string value's raw
// data, and the decimal form of a number value.
#include <cstring>
#include "check.h"
#include "env/registry_rules.h"

static void test_leading_backslash() {
    CHECK_EQ(without_leading_backslash("\\SOFTWARE\\Kavento-Producer\\"),
             std::string("SOFTWARE\\Kavento-Producer\\"));
    CHECK_EQ(without_leading_backslash("\\\\SOFTWARE"), std::string("\\SOFTWARE"));
    CHECK_EQ(without_leading_backslash("SOFTWARE\\"), std::string("SOFTWARE\\"));
    CHECK_EQ(without_leading_backslash("\\"), std::string(""));
    CHECK_EQ(without_leading_backslash(""), std::string(""));
}

static void test_string_value_text() {
    CHECK_EQ(text_of_string_value("1.20.1", 7), std::string("1.20.1"));
    // Without a zero the size is the limit: nothing past the data is read. The buffers below are
    // exactly the data, so reading one byte further trips the address sanitizer.
    char unterminated[3] = {'a', 'b', 'c'};
    CHECK_EQ(text_of_string_value(unterminated, sizeof unterminated), std::string("abc"));
    CHECK_EQ(text_of_string_value(unterminated, 0), std::string(""));
    CHECK_EQ(text_of_string_value(nullptr, 5), std::string(""));
    // An inner zero ends the text, as for any zero-terminated text.
    char inner[5] = {'a', 0, 'b', 'c', 0};
    CHECK_EQ(text_of_string_value(inner, sizeof inner), std::string("a"));
}

static void test_decimal_text() {
    CHECK_EQ(decimal_text(12010), std::string("12010"));
    CHECK_EQ(decimal_text(-5), std::string("-5"));
    CHECK_EQ(decimal_text(0), std::string("0"));
    CHECK_EQ(decimal_text(INT32_MIN), std::string("-2147483648"));
    CHECK_EQ(decimal_text(INT32_MAX), std::string("2147483647"));
}

int main() {
    test_leading_backslash();
    test_string_value_text();
    test_decimal_text();
    return check_report();
}
