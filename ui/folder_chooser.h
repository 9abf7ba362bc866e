// The path rules of the folder chooser, apart from the chooser itself.
#pragma once
#include <string>

inline constexpr size_t kChooserPathLimit = 255;

// The folder the chooser opens with selected: one final "\" removed unless the path is a drive
// root such as "D:\"; the empty text (no selection) when the path is longer than the chooser's
// buffer, since a cut path would select some other folder.
std::string chooser_start_folder(const std::string& initial_folder);

// What the chooser returns for the file-system path of the chosen item: the path ending in "\".
// An item without a file-system path (the computer, a printer) gives the empty text, as a cancel
// does, rather than a lone "\" that would name the root of the current drive.
std::string chooser_result(const std::string& chosen_path);
