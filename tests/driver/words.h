// The platform-free part of the driver: splitting scenario lines into words, variables, text
// conversion between the scenario's UTF-8 and the Windows-1252 of the program under test, paths.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Splits one scenario line into words. Blanks separate words; a double-quoted word may hold
// blanks, and inside it \" stands for " and \\ for \ (any other backslash is kept as it is, so
// Windows paths need no doubling). Returns false with a message on an unterminated quote.
bool split_words(const std::string& line, std::vector<std::string>& words, std::string& error);

// Replaces $NAME and ${NAME} (NAME of letters, digits, _) by lookup(NAME). lookup returns false
// for an unknown name, which fails the expansion with a message naming it. "$$" is a literal $.
using VariableLookup = std::function<bool(const std::string& name, std::string& value)>;
bool expand_variables(const std::string& word, const VariableLookup& lookup, std::string& out,
                      std::string& error);

// UTF-8 to Windows-1252. Characters that Windows-1252 cannot hold, and malformed UTF-8, fail the
// conversion (a scenario text that can never match should say so instead of comparing "?").
bool utf8_to_cp1252(const std::string& in, std::string& out, std::string& error);
// Windows-1252 to UTF-8, for printing what the program showed. Never fails: the five bytes that
// Windows-1252 leaves undefined become U+FFFD.
std::string cp1252_to_utf8(const std::string& in);

// A Linux path ("/a/b") becomes the Wine path of drive Z: ("Z:\a\b"); anything else is returned
// unchanged.
std::string windows_path(const std::string& path);

// Case-insensitive ASCII comparison, as Windows compares paths and registry names.
bool iequals(const std::string& a, const std::string& b);
bool istarts_with(const std::string& text, const std::string& prefix);
std::string to_lower_ascii(std::string s);

// Parses a whole decimal number (optionally negative) or 0x hexadecimal number into 32 bits.
bool parse_u32(const std::string& text, uint32_t& value);
bool parse_int(const std::string& text, int& value);

// Splits a text file into its lines, each of which must end with CR LF. Returns false with a
// message naming the first line that ends otherwise (a lone CR or LF, or none at the end).
bool split_crlf_lines(const std::string& content, std::vector<std::string>& lines,
                      std::string& error);

// A fast 64-bit hash of file contents, fed in pieces of any size.
class ContentHash {
  public:
    void add(const unsigned char* data, size_t size);
    uint64_t finish() const;

  private:
    uint32_t lanes_[4] = {0x9e3779b1u, 0x85ebca77u, 0xc2b2ae3du, 0x27d4eb2fu};
    unsigned char tail_[16] = {};
    size_t tail_size_ = 0;
    uint64_t total_ = 0;
    void block(const unsigned char* p);
};

// Shows a text for a failure message: quoted, in UTF-8, control characters as \r, \n, \xNN.
std::string show_text(const std::string& cp1252);
