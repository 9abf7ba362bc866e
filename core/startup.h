// Start-up, the recorded-installation check and the one orderly shutdown of every way out.
#pragma once
#include <string>

// The whole run: start-up steps 1 to 12. Never returns.
[[noreturn]] void installer_main(void* module_handle);
// Releases everything the toolkit, the probes and the services hold; exits with code 0.
[[noreturn]] void shutdown_and_exit();
// A special folder's path by CSIDL, without final "\", or the empty text.
std::string special_folder_path(int csidl);
