// File and folder services over the Win32 file calls. Paths are ANSI texts; relative paths
// resolve against the installer folder. Results: nonzero for success, 0 for failure.
// Folder texts are limited to 255 bytes with their zero; longer paths are refused (result 0).
#pragma once
#include <cstdint>
#include <string>
#include "services/path_rules.h"

// The folder of a loaded module's file (null: the program itself), ending in "\"; empty when its
// path is longer than 500 characters, or is one that the code page cannot spell and that has no
// short form: no folder rather than a wrong one.
std::string module_folder(void* module);
// Takes the installer folder (module_folder of the program) once.
void services_init();
// Closes every numbered file (the folder examination ends with dir_examine_shutdown).
void services_shutdown();
const std::string& services_installer_folder();
// Makes the installer folder the process's current directory.
void enter_installer_folder();

int dir_create(const std::string& path);
// Flag 1: descend into matching sub folders; flag 2: reset attributes before deleting.
int dir_delete_tree(const std::string& path, const std::string& pattern, int flags);
int dir_delete(const std::string& path, const std::string& pattern);
int file_delete(const std::string& path);
// Removes the name path itself, a file or a link, never the file a link points to (see the
// definition for how). Fails for a folder and for a file that another program holds open.
int file_remove_name(const std::string& path);
// Renames a file within its volume; fails when the new name is taken (MoveFileA, on every Windows).
int file_move(const std::string& from, const std::string& to);

int file_create(int number, const std::string& path);
int file_open_update(int number, const std::string& path);
int file_open_read(int number, const std::string& path);
void file_close(int number);
int32_t file_size();                                   // -1 without a current file
uint32_t file_read_data(void* buffer, uint32_t count); // bytes read
std::string file_read_line();                          // without its line end
// Nonzero only when every byte was written: a short write (a full disk) is a failure.
int file_write_data(const void* buffer, uint32_t count);
// Bytes written, CR LF included; anything short of text length + 2 means the write failed.
int file_write_line(const std::string& text);

// Returns 0 when the program did not start, else the process handle (or 1 when there is none).
// Flag 1: wait for the program to end; flag 2: start it hidden.
uintptr_t run_program(const std::string& program, const std::string& parameters,
                      const std::string& working_folder, int flags);
