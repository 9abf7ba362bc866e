// Folder examination: start a listing with a pattern, then walk its entries one at a time.
// dir_examine(…, "*.*") is the installer's test of whether a folder exists.
#pragma once
#include <string>

inline constexpr int kEntryFile = 1;
inline constexpr int kEntryFolder = 2;

int dir_examine(int number, const std::string& path, const std::string& pattern);
int dir_next_entry();         // kEntryFile, kEntryFolder, or 0 at the end
std::string dir_entry_name(); // name of the current entry
void dir_examine_shutdown();

// dir_examine(0, path, "*.*") != 0, as a readable name.
bool folder_exists(const std::string& path);
