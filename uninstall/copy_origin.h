// Whether a command line of the temporary copy's form ("/uninstall FOLDER" and three handles)
// really comes from the uninstaller of that folder. Any program of the user can start
// Uninstall.exe with such a line, and the copy asks nothing: only the original that the user
// answered may command it. The facts are gathered by the copy (Win32, copy_origin_win32.cpp);
// the rule that weighs them is platform-free.
#pragma once
#include <cstdint>
#include <string>
#include "uninstall/copy_command.h"

struct CopyOrigin {
    // The handed process handle names a process, and which one; 0 where that cannot be told.
    uint32_t original_id = 0;
    // The process that started this one; 0 where that cannot be told.
    uint32_t parent_id = 0;
    // The program file of the handed process, in comparable form; empty where it cannot be told.
    std::string original_program;
    // This program's own file, and the temp folder with its final backslash.
    std::string own_program;
    std::string temp_folder;
};

// True only when the handed process is this process's parent, its program is target_folder's
// Uninstall.exe, and this program runs as the copy in a copy folder of the temp folder. Whatever
// could not be told counts against it.
bool is_trusted_copy_command(const CopyOrigin& origin, const std::string& target_folder);

// Win32. Gathers the facts about the handed handles (target_folder: the one the line names). The
// event is not looked at here: setting it (which the copy does anyway once it trusts the line) is
// what shows that it is an event.
CopyOrigin copy_origin(const CopyHandles& handles, const std::string& target_folder);
// Whether this system lets the copy tell its origin at all. Where it cannot, the original does
// the work itself rather than start a copy that would refuse its command line.
bool can_tell_copy_origin();
// The access the original hands its own process handle down with: what copy_origin needs.
uint32_t copy_origin_access();
