#include "uninstall/copy_origin.h"

#include "log/log_lines.h"
#include "log/product.h"
#include "services/text_rules.h"

bool is_trusted_copy_command(const CopyOrigin& origin, const std::string& target_folder) {
    if (origin.original_id == 0 || origin.original_id != origin.parent_id) return false;
    if (origin.original_program.empty() || !is_removable_file_path(origin.original_program) ||
        !is_removable_file_path(target_folder))
        return false;
    if (!same_path(origin.original_program, target_folder + "\\" + kUninstallExe)) return false;
    // Started from anywhere else, the program is the original itself (or a stray copy), which
    // asks its question instead.
    const std::string own_folder = without_trailing_backslash(folder_of(origin.own_program));
    return is_copy_folder(own_folder, origin.temp_folder) &&
           same_path(origin.own_program, own_folder + "\\" + kCopyName);
}
