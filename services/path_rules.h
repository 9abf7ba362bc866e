// The texts the folder services build from a path, and the line splitting of text files:
// platform-free, so that they are tested natively.
#pragma once
#include <cstddef>
#include <string>

// Folder texts are limited to this many bytes with their zero; longer paths are refused.
inline constexpr size_t kPathLimit = 255; // bytes, terminating zero included

// Whether the text fits a kPathLimit buffer with its terminating zero.
bool within_path_limit(const std::string& text);
// Folder text + pattern ("*.*" when the pattern is empty). The folder text is the path with a
// trailing "\" unless the path is empty: an empty path leaves the bare pattern, which the system
// resolves against the current directory.
std::string search_text(const std::string& path, const std::string& pattern);
// The working folder of a program started without one: everything up to and including its last
// "\", or the empty text when the path holds no "\" after its first character.
std::string program_folder(const std::string& program);

// Appends the ANSI code page's spelling of one component of a path (length wide characters) and
// says whether it is exact: a letter that the code page lacks comes out as a look-alike ("L" for
// "Ł") or "?", and such a spelling names another place or none.
using SpellName = bool (*)(const wchar_t* name, size_t length, std::string& out);
// The ANSI path that names the same place as a path given in its long form and its short form
// (one short name for each component): every component spelled as it is where that is exact,
// else by its short name, so that the names stay readable wherever they can. False, so refused,
// when a component has no exact spelling in either form (a volume without short names gives the
// long name back) or the two forms do not line up.
bool ansi_path_from_forms(const wchar_t* long_form, const wchar_t* short_form, SpellName spell,
                          std::string& path);

// The longest line file_read_line returns at once; the rest of a longer line comes with the next
// reads. The uninstall log's lines are short paths with a fixed prefix.
inline constexpr size_t kMaxLineLength = 65536;

// One step of reading a text line from the bytes at the file position. A line ends at CR, LF or
// a zero byte, or at the end of the file; CR LF ends it as one.
struct LineScan {
    bool complete;   // the line ends within these bytes
    size_t length;   // bytes that belong to the line
    size_t consumed; // bytes used up, line end included; the rest is left for the next read
};
// data holds size bytes from the file position; end_of_file says that no byte follows them.
// When the line does not end within them, everything up to the end (or up to a final CR, which
// needs the byte after it) is consumed and the caller reads on.
LineScan scan_line(const char* data, size_t size, bool end_of_file);
