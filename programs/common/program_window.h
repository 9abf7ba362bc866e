// The one window of a carried program: its caption names the product and version, its client
// area shows the document it was started with.
#pragma once
#include <windows.h>
#include "log/product.h"

// The control id of the static text that shows the document line and the details.
inline constexpr int kDocumentTextId = 100;

// Opens the window "<product_name> <kVersionText>" and runs its message loop; returns the exit
// code. command_line is WinMain's (without the program name); details, when not null, is shown
// below the document line.
int run_program_window(HINSTANCE instance, const char* product_name, const char* command_line,
                       const char* details);

// The document path from a command line without the program name: the first argument with its
// surrounding quotes removed; the empty text when there is none.
void document_argument(const char* command_line, char* out, int out_size);
