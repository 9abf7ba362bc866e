#include "ui/folder_chooser.h"

#include "services/text_rules.h"

std::string chooser_start_folder(const std::string& initial_folder) {
    if (initial_folder.size() > kChooserPathLimit) return std::string();
    if (initial_folder.size() > 3 && ends_with_backslash(initial_folder))
        return without_trailing_backslash(initial_folder);
    return initial_folder;
}

std::string chooser_result(const std::string& chosen_path) {
    return with_trailing_backslash(chosen_path);
}
