// The import guard's rules: a shipped program may import only from the libraries that every
// Windows loads from its system folder, only functions of the allow-list, and only those that
// Windows 95 and NT 4 already have. Any import Windows lacks makes its loader refuse the program
// before the program could say anything; Wine cannot show this, as its libraries have everything.
#pragma once
#include <map>
#include <string>
#include <utility>
#include <vector>
#include "pe_imports.h"

// The oldest release of each Windows line that has a function, as the API documentation gives
// it and the allow-list spells it: "95", "98", "ME"; "NT3.1" ... "10"; "-" when the line never
// had it.
struct OldestWindows {
    std::string consumer, nt;
};

// By library name in upper case and function name.
using AllowList = std::map<std::pair<std::string, std::string>, OldestWindows>;

// Parses the allow-list text: "# comment" lines, blank lines, and lines of
// "LIBRARY FUNCTION OLDEST-95-LINE OLDEST-NT-LINE" (e.g. "KERNEL32.DLL GetFileSize 95 NT3.1",
// "-" for a line that never had it). False with the line's number and reason in err.
bool parse_allow_list(const std::string& text, AllowList& list, std::string& err);

// Every reason the program would not start on the oldest Windows it must start on, one text per
// problem, naming the library and function; empty when there is none.
std::vector<std::string> import_problems(const AllowList& list, const PeHeader& header);
