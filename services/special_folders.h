// The folders that Windows keeps for the programs, the start menu and the desktop, looked up by
// their CSIDL number.
#pragma once
#include <string>

// The folder's path without a final "\", or the empty text when the system cannot provide it.
std::string special_folder_path(int csidl);
