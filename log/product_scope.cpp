#include "log/product_scope.h"

#include "log/product.h"
#include "services/text_rules.h"

namespace {

bool is_folder_known(const std::string& folder) {
    return !folder.empty() && is_removable_file_path(folder);
}

bool is_same_folder(const std::string& a, const std::string& b) {
    return !b.empty() && equal_ignoring_case(a, b);
}

bool is_at_or_inside(const std::string& path, const std::string& folder) {
    return is_same_folder(path, folder) || is_inside(path, folder);
}

std::string name_of(const std::string& path) {
    return path.substr(path.rfind('\\') + 1);
}

template <size_t N> bool is_one_of(const std::string& name, const char (&names)[N][24]) {
    for (const char* n : names)
        if (equal_ignoring_case(name, n)) return true;
    return false;
}

// Inside the installation folder, and not in a special folder that lies within it.
bool is_in_installation(const std::string& path, const ProductPlaces& places) {
    const std::string& folder = places.installation_folder;
    if (!is_folder_known(folder) || !is_at_or_inside(path, folder)) return false;
    for (const std::string& special : places.special_folders)
        if (is_inside(special, folder) && is_at_or_inside(path, special)) return false;
    return true;
}

bool is_below_menu(const std::string& path, const ProductPlaces& places) {
    for (const std::string& menu : places.menu_folders)
        if (is_folder_known(menu) && is_inside(path, menu)) return true;
    return false;
}

bool is_menu_link(const std::string& path, const ProductPlaces& places) {
    return is_one_of(name_of(path), kMenuLinkNames) &&
           is_below_menu(without_trailing_backslash(folder_of(path)), places);
}

bool is_desktop_link(const std::string& path, const ProductPlaces& places) {
    if (!is_one_of(name_of(path), kDesktopLinkNames)) return false;
    const std::string parent = without_trailing_backslash(folder_of(path));
    for (const std::string& desktop : places.desktops)
        if (is_folder_known(desktop) && is_same_folder(parent, desktop)) return true;
    return false;
}

// A folder that the system names, or one that holds such a folder, is never the product's to
// remove, even when it is empty (an empty StartUp folder is the usual case).
bool holds_special_folder(const std::string& folder, const ProductPlaces& places) {
    for (const std::string& special : places.special_folders)
        if (is_at_or_inside(special, folder)) return true;
    return false;
}

bool is_product_key(const std::string& key) {
    const std::string product = without_trailing_backslash(kProductKey);
    return equal_ignoring_case(key, product) || starts_with_ignoring_case(key, product + "\\");
}

} // namespace

bool is_uninstall_entry_key(const std::string& key) {
    return equal_ignoring_case(key, without_trailing_backslash(kUninstallEntryKey));
}

bool is_inside(const std::string& path, const std::string& folder) {
    return !folder.empty() && path.size() > folder.size() + 1 &&
           starts_with_ignoring_case(path, folder + "\\");
}

bool is_product_step(const UninstallStep& step, const ProductPlaces& places) {
    switch (step.action) {
    case UninstallAction::kDeleteFile:
        return (is_in_installation(step.path, places) &&
                !is_same_folder(step.path, places.installation_folder)) ||
               is_menu_link(step.path, places) || is_desktop_link(step.path, places);
    case UninstallAction::kDeleteFolder:
        return (is_in_installation(step.path, places) || is_below_menu(step.path, places)) &&
               !holds_special_folder(step.path, places);
    case UninstallAction::kDeleteRegKey:
        return step.root == kHkeyLocalMachine &&
               (is_product_key(step.path) || is_uninstall_entry_key(step.path));
    case UninstallAction::kDeleteRegValue:
        return step.root == kHkeyLocalMachine && is_product_key(step.path);
    case UninstallAction::kPruneRegKey:
    case UninstallAction::kSkip:
        break;
    }
    return false;
}

void make_comparable(UninstallStep& step, const ProductPlaces& places) {
    if (places.comparable_form && (step.action == UninstallAction::kDeleteFile ||
                                   step.action == UninstallAction::kDeleteFolder))
        places.comparable_form(step.path);
}

bool is_product_log_line(const std::string& line, const ProductPlaces& places) {
    UninstallStep step = classify_log_line(line);
    make_comparable(step, places);
    return is_product_step(step, places);
}

bool is_product_step_outside(const UninstallStep& step, const ProductPlaces& places) {
    return (step.action == UninstallAction::kDeleteFile ||
            step.action == UninstallAction::kDeleteFolder) &&
           !is_in_installation(step.path, places) && is_product_step(step, places);
}
