// The product's entry in the system's list of installed programs, made by the registry steps of
// the installation.
#pragma once
#include <string>
#include "install/install_steps.h"

// Win32, recording on session.undo_list. Creates the key (recorded the moment it exists, so that
// a roll-back removes it with its values) or keeps an earlier installation's, whose values are
// rewritten: each one replaced is kept and each one new is recorded, so that a failed update
// leaves the entry as it was. False, with the message to show, when the key or a value cannot be
// made.
bool write_uninstall_entry(const std::string& target, InstallMessage& failure);
