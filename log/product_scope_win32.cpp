#include "log/product_scope.h"

#include <windows.h>
#include <shlobj.h>
#include "services/special_folders.h"
#include "services/system_paths.h"

namespace {

// The special-folder numbers are below this on every Windows so far; unknown ones find nothing.
constexpr int kSpecialFolderIds = 0x40;

void add_known(std::vector<std::string>& folders, int csidl) {
    std::string folder = special_folder_path(csidl);
    make_comparable_path(folder);
    if (!folder.empty()) folders.push_back(folder);
}

} // namespace

ProductPlaces product_places(const std::string& installation_folder) {
    ProductPlaces places;
    places.comparable_form = make_comparable_path;
    // As the log's paths are compared: a target typed "C:\Kavento." was made as "C:\Kavento".
    places.installation_folder = is_removable_file_path(installation_folder)
                                     ? stored_path_form(installation_folder)
                                     : installation_folder;
    make_comparable_path(places.installation_folder);
    // The folders the installer puts links into, whichever of each pair it found.
    add_known(places.menu_folders, CSIDL_COMMON_PROGRAMS);
    add_known(places.menu_folders, CSIDL_PROGRAMS);
    add_known(places.desktops, CSIDL_COMMON_DESKTOPDIRECTORY);
    add_known(places.desktops, CSIDL_DESKTOP);
    // All of them, not a list of the dangerous ones: a newer Windows adds folders of its own.
    for (int csidl = 0; csidl < kSpecialFolderIds; ++csidl)
        add_known(places.special_folders, csidl);
    return places;
}
