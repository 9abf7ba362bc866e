// Paths that the system hands over. The programs are ANSI programs, and an ANSI call spells a path
// whose letters the ANSI code page lacks with look-alikes: "C:\users\Lukasz\Temp" for
// "C:\users\Łukasz\Temp", a folder that does not exist or is somebody else's. Every path taken
// from the system comes through here instead: on the NT family it is asked for in its wide form
// and used as the code page spells it where that names the same place, else with the short names
// of the components it cannot spell (plain ASCII), else not at all. A path never turns into
// another path. On the 95 family the ANSI form is the system's own and is taken as it is.
#pragma once
#include <windows.h>
#include <shlobj.h>
#include <string>

// The 95 family (95, 98, ME), whose system works in the ANSI code page and only stubs most wide
// calls. Where a wide call is missing altogether, the ANSI one is all there is, and it is taken
// the same way.
bool ansi_system();

// GetShortPathNameW's type.
using ShortPathLookup = DWORD(WINAPI*)(const wchar_t*, wchar_t*, DWORD);

// The ANSI path that names the place of the wide path, or false when there is none: the caller
// then goes on as if the system had given no path. The short form is looked up through
// GetShortPathNameW, or through short_path when given, so that a test can stand in for a volume
// without short names, which Wine never has.
bool ansi_path(const wchar_t* wide, std::string& path, ShortPathLookup short_path = nullptr);

// The temp folder, ending in "\".
bool system_temp_folder(std::string& folder);
// The file of a loaded module; null is the program itself.
bool module_file_path(HMODULE module, std::string& path);
// The file-system path of a shell item list, through the calls of the shell library given.
bool item_list_path(HMODULE shell, LPCITEMIDLIST items, std::string& path);

// Puts a path into the form in which the paths of one place compare equal: each component's long
// name where the code page spells it, else its short name. A path written with short names (by an
// installation into a folder the code page cannot spell, or by the user) and its long form give
// the same text. What does not exist keeps its remaining components as written; where the system
// cannot tell (NT 4, Windows 95), the path stays as it is.
void make_comparable_path(std::string& path);
