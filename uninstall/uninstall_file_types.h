// Which of the document types' registry entries the uninstaller removes. The log does not record
// them, so it reads what the registry holds now and removes only what still leads to the player
// of this installation; an extension that the user has given to another program keeps its
// association. Platform-free: the reading and the removals are in uninstall_run_win32.cpp.
#pragma once
#include <string>
#include <vector>
#include "env/registry.h"
#include "uninstall/uninstall_plan.h"

// One registry value as it is now: present or not, and its text when it is a string.
struct RegistryReading {
    RegRoot root = kHkeyLocalMachine;
    std::string key;
    std::string name; // empty: the key's default value
    bool present = false;
    std::string text; // a string value's text; empty for other types
};

// The values that the decision looks at, not yet read (present false), for both layouts: the
// system may have changed its version since the installation.
std::vector<RegistryReading> file_type_readings();

// The removals, for the installation in target_folder (without a final backslash):
// - A class (kvf_auto_file, kve_auto_file, and the class layout's Kav-Player.exe) whose open
//   command starts another program belongs to that program now and stays whole, together with
//   the extension keys that name it; so does a class without a command whose icon lies in
//   another folder (another installation's).
// - The application layout's own key (Applications\Kav-Player.exe) likewise: when its command
//   names another Kav-Player.exe, that one also keeps the per-user FileExts entries.
// - Everything else goes where it still holds what the installation wrote: commands that start
//   target_folder\Kav-Player.exe, icons in it, the two descriptions, the class names.
// Values come first; then the keys, innermost first, each only when it is empty.
std::vector<UninstallStep> file_type_removals(const std::vector<RegistryReading>& now,
                                              const std::string& target_folder);

// Whether text is the command that the registration writes for program: the program in double
// quotes, a blank, "%1" in double quotes; the path compared as the system compares paths.
bool is_command_for(const std::string& text, const std::string& program);
