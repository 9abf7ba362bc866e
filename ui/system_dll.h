// Loading an optional system library by its bare name would search the program's own folder
// first; these come from the system folder only.
#pragma once
#include <windows.h>

HMODULE load_system_dll(const char* name);
