// The uninstaller's hand-over to a copy of itself: a running program cannot delete its own file,
// nor the folder that holds it, so the original copies itself into a new folder of its own in the
// temp folder, starts the copy with the installation folder and handles to itself, and ends. The
// temp folder is open to every program of the user, so the copy is held from its writing until it
// runs, and checked to be this program. Its folder goes when the last handle to it closes, its
// file at the next restart.
#pragma once
#include <string>
#include "uninstall/copy_command.h"

enum class CopyStart { kStarted, kChanged, kFailed, kNoTempFolder };

// Win32.
// Copies this program into a new folder in the temp folder and starts the copy; anything but
// kStarted leaves nothing behind.
CopyStart start_temp_copy(const std::string& self, const std::string& temp,
                          const std::string& target_folder);
// Any program can start this one with the copy's command line, and the copy asks nothing: it is
// obeyed only from the original of that folder that started it, with the event that original
// waits for. Only an event can be set, so setting it shows what kind of handle it is.
bool accept_copy_command(const std::string& target_folder, const CopyHandles& handles);
// The copy's way out. A running program may be renamed but not deleted: moved out of its folder
// into the temp folder, beside it, it leaves the folder empty, and the handed-down handle removes
// the folder as it closes. So the deletion at the next restart names only this file, and nothing
// that another program could point at anything else by then.
// folder_hold is the handle handed down to the copy (a HANDLE), or null.
void leave_copy(const std::string& self, const std::string& temp, void* folder_hold);
