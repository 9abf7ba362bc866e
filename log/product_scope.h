// What a line of Uninstall.txt may name: only what an installation of this product makes. The log
// lies where other programs may write, so the uninstaller, and the installer when it merges an
// earlier log, act on a line only when this rule admits it. Platform-free: the places are looked
// up by the caller (product_places, Win32), so a later normalisation of paths (short names to
// long ones, say) only has to run on the places and the step before they meet here.
#pragma once
#include <cstddef>
#include <string>
#include <vector>
#include "log/log_lines.h"

// Puts a path into the form in which all paths of one place compare equal on this system.
using PathForm = void (*)(std::string& path);

// Paths without a final backslash, in the form the system gives them. An empty or relative
// installation folder, or a drive root, admits nothing inside it.
struct ProductPlaces {
    // The places are in this form, and so is every path of a step before it meets them here: a
    // log line that names the installation by short names (as an installation into a folder that
    // the code page cannot spell writes it) is inside it all the same. None: paths as written.
    PathForm comparable_form = nullptr;
    std::string installation_folder;
    std::vector<std::string> menu_folders; // the start menu's programs folders, common and own
    std::vector<std::string> desktops;     // the common desktop and the user's
    // Every folder the system names (Windows, the documents, StartUp, the start menu itself, …):
    // none of them is ever the product's, and neither is anything inside one that lies within
    // the installation folder.
    std::vector<std::string> special_folders;
};

// The links the installer makes: the three in the start-menu folder, and the two that may go on
// a desktop.
inline constexpr char kMenuLinkNames[3][24] = {"Uninstall.lnk", "Kavento-Player.lnk",
                                               "Kavento-Producer.lnk"};
inline constexpr char kDesktopLinkNames[2][24] = {"Kavento-Producer.lnk", "Kavento-Player.lnk"};

// A step of the log that removes only the product's own:
// - a file inside the installation folder, a folder inside it, or the folder itself;
// - a link of the product's names in a folder below a programs folder (at any depth: the user
//   may pick a folder inside another), or directly on a desktop; a folder below a programs folder;
// - a registry key or value at or below HKLM "SOFTWARE\Kavento-Producer", and the key of the
//   product's entry in the system's list (kUninstallEntryKey) itself.
// Never a special folder, a folder that holds one, or what lies in a special folder inside the
// installation folder (the documents of a user who installed into the profile).
bool is_product_step(const UninstallStep& step, const ProductPlaces& places);
// Whether a key path (without a final backslash) is the product's entry in the system's list:
// that one key, never one below it or beside it.
bool is_uninstall_entry_key(const std::string& key);
// Puts the path of a file or folder step into the places' comparable form, which names the same
// place, so that the step may act on it as well.
void make_comparable(UninstallStep& step, const ProductPlaces& places);
// Whether a log line's step is the product's; an unreadable line is no product line.
bool is_product_log_line(const std::string& line, const ProductPlaces& places);
// Whether the step removes something that the rule admits outside the installation folder (a
// link in the start menu or on a desktop, a folder in the start menu): what such a step names has
// to be shown to belong to the installation before it is removed.
bool is_product_step_outside(const UninstallStep& step, const ProductPlaces& places);
// Whether path lies inside folder (at any depth, never folder itself); names compared as the
// file system compares them.
bool is_inside(const std::string& path, const std::string& folder);

// Win32: the places of an installation in installation_folder (without a final backslash), as
// the system names them for the user who runs the program.
ProductPlaces product_places(const std::string& installation_folder);
