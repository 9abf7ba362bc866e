// The registry layer's text rules, platform-free so that they are tested natively.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>
#include "services/text_rules.h"

// The buffer a value is read into: a longer value fails with ERROR_MORE_DATA.
inline constexpr size_t kRegValueBufferSize = 255;

// Removes exactly one leading "\" when there is one.
std::string without_leading_backslash(const std::string& sub_key);
// The text of a string value's data as the system returned it: up to its first zero byte, and
// never beyond size bytes, so a value stored without its zero (or with a size of 0) gives the
// exact or the empty text instead of running past the data.
std::string text_of_string_value(const char* data, size_t size);
// The number as signed decimal ("%ld").
std::string decimal_text(int32_t number);

// The keys from the top of sub_key down to sub_key itself ("a\b" gives "a", "a\b"): a write below
// a key that is missing creates it and every key below it.
std::vector<std::string> key_path_prefixes(const std::string& sub_key);
