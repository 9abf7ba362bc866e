// Loading the optional system libraries (COMCTL32.DLL, DDRAW.DLL, RICHED20.DLL, RICHED32.DLL,
// SHELL32.DLL) at run time, and the exports that only some Windows versions have. The installer is
// started from a downloads folder, where any file named like a system library would otherwise be
// loaded and run in its place: only the system folder is searched.
#pragma once
#include <windows.h>

// The library of that file name from the system folder, or null. A name holding a folder part
// is refused.
HMODULE load_system_library(const char* name);

// An export that older Windows versions lack, or null; the caller has a fallback for null.
FARPROC optional_procedure(HMODULE library, const char* name);
// The same, as the type of function that the caller calls. A library that every process has
// loaded (kernel32, advapi32) is named by GetModuleHandleA.
template <class Function> Function optional_function(HMODULE library, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(optional_procedure(library, name)));
}

// Called first thing in a process: where the system supports it, libraries named without a folder
// (by the program or by the system libraries it calls) come from the system folder only, never
// from the program's own folder. Older systems lack the call; there load_system_library's full
// paths carry the protection alone.
void limit_library_search();
