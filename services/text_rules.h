// Small text rules that several subsystems share: whole-number parsing as the registry values and
// the version check read them, and the trailing-backslash rules of folder paths.
#pragma once
#include <cstdint>
#include <string>

// Leading blanks skipped, one optional "+" or "-", then decimal digits up to the first other
// character; no digits give 0. Overflow wraps like a 32-bit register would.
int32_t parse_whole_number(const char* text);
inline int32_t parse_whole_number(const std::string& text) {
    return parse_whole_number(text.c_str());
}

bool ends_with_backslash(const std::string& path);
// Removes exactly one final "\" when there is one.
std::string without_trailing_backslash(const std::string& path);
// Adds a final "\" unless the path already ends with one (an empty path stays empty).
std::string with_trailing_backslash(const std::string& path);
// Everything up to and including the last "\" (the empty text when there is none).
std::string folder_of(const std::string& path);
// The text with leading and trailing blanks (spaces and tabs) removed.
std::string trim_blanks(const std::string& text);
// Equal but for the case of letters, as the file system and the registry compare names: ASCII
// and the accented letters of Windows-1252.
bool equal_ignoring_case(const std::string& a, const std::string& b);
bool starts_with_ignoring_case(const std::string& text, const std::string& prefix);
// True for a path component that Windows opens as a device instead of a file, wherever it stands
// in a path: CON, PRN, AUX, NUL, CONIN$, CONOUT$, COM1-9 and LPT1-9 (the superscript digits 1 to 3
// too), in any case, with any extension, once Windows has trimmed the final dots and blanks and
// the blanks before the extension. Shared by every check that lets a path or name through.
bool is_device_name(const std::string& component);
