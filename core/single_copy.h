// One copy of the installer at a time: a second one would unpack into the same temp pack file
// beside the first.
#pragma once

inline constexpr const char* kAlreadyRunningText =
    "Das Installationsprogramm wird bereits ausgeführt.";

// When another copy is running: brings its window forward, or, when it shows none, tells so in a
// message box (titled with the installer's name), and ends this process at once, before anything
// of this run is set up or touched. Otherwise marks this copy as the running one.
void leave_if_already_running();
// Gives the mark up; the last thing the run does.
void release_running_mark();
// Whether an installer is running now (the uninstaller leaves its journal alone then).
bool installer_running();
