// The pack file: the payload blob written to the temp folder, read back one entry at a time.
#pragma once
#include <cstdint>
#include <string>

int write_pack_file(const std::string& path); // nonzero when created and fully written
int pack_open(const std::string& path);
const uint8_t* pack_next_entry(); // the entry's bytes, or nullptr at the end or on a bad entry
int32_t pack_entry_size();        // size of the entry read last; -1 without one or without a pack
// Nonzero when the entry read last was good (read whole, decoded, check value matched).
int pack_entry_ok();
void pack_close();

// Reads entry 0 and appends its names to session.file_name_list. Nonzero on success.
int read_file_list();
// Writes one entry per listed name into target (ending in "\"). On failure returns 0 and sets
// failed_path to the file that could not be made. advance is called after each file.
int install_payload_files(const std::string& target, std::string& failed_path, void (*advance)());

enum class LibraryResult { ok, tool_not_opened, library_not_created };
LibraryResult extract_embedded_library(const std::string& target);
