// Uninstall.exe's two ways of running: as the original, started from the installation folder,
// which asks and hands over to a copy of itself (uninstall/temp_copy.h), and as that copy, which
// carries out the log and removes the document types, reports, and leaves. Only lines that name
// the product's own are carried out (log/product_scope.h). When something cannot be removed,
// Uninstall.exe and the lines of Uninstall.txt still to do stay for another run.
#pragma once
#include <string>
#include "uninstall/copy_command.h"

// Win32. This program's own path, by its ANSI or short form, or empty.
std::string module_path();
// The original: reads the log beside this program, asks, and starts the copy, or does the work
// itself when no copy can run.
void run_original();
// The copy, started by the original of target_folder with the handles it handed down.
void run_copy(const std::string& target_folder, const CopyHandles& handles);
