#include "install/target_hold.h"
#include <windows.h>
#include "services/held_folder.h"
#include "services/text_rules.h"

namespace {

HeldPath target_hold;
// Whether anything stood at the target when the page accepted it. Only then did the user agree to
// install into a folder that was there; one that appears afterwards was made by another program,
// with that program's access list, and is refused like a file standing there.
bool target_stood_there = false;

} // namespace

void hold_target_folder(const std::string& folder) {
    const std::string path = without_trailing_backslash(folder);
    target_stood_there = GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    if (hold_path(target_hold, path) != HoldResult::kHeld) release_path(target_hold);
}

bool make_target_folder(const std::string& folder, bool& created) {
    created = false;
    if (hold_path(target_hold, without_trailing_backslash(folder)) != HoldResult::kHeld)
        return false;
    if (held_completely(target_hold) && !target_stood_there) return false;
    while (!held_completely(target_hold)) {
        if (create_held_folder(target_hold, true) != HoldResult::kHeld) return false;
        created = held_completely(target_hold);
    }
    return true;
}

bool remove_if_held_target(const std::string& folder) {
    if (!held_completely(target_hold) || without_trailing_backslash(folder) != target_hold.path)
        return false;
    remove_innermost_held(target_hold);
    return true;
}
