// Loading the optional system libraries (DDRAW.DLL, RICHED20.DLL, RICHED32.DLL, SHELL32.DLL) at
// run time. The installer is started from a downloads folder, where any file named like a system
// library would otherwise be loaded and run in its place: only the system folder is searched.
#pragma once
#include <windows.h>

// The library of that file name from the system folder, or null. A name holding a folder part
// is refused.
HMODULE load_system_library(const char* name);
