// Starting a program as the signed-in user. The installer runs with administrator rights, and a
// program it starts itself inherits them (with a password typed in for another administrator, even
// that account): the authoring tool, and any library that a user's program put beside it, would
// run elevated. The desktop's shell runs unelevated, as the signed-in user; asked to start the
// program, it starts it as its own child, the way a double click on the desktop would.
#pragma once
#include <string>

// Asks the desktop's shell to open program (verb "open", no arguments, the given working folder,
// a normal window). False when the shell could not be asked (the 95 family, which has no second
// account to run as; no shell running; a call of the way there missing or failing): the caller
// then starts the program itself.
bool start_as_signed_in_user(const std::string& program, const std::string& working_folder);
