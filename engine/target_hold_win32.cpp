#include "engine/target_hold.h"
#include "core/text_rules.h"
#include "services/held_folder.h"

namespace {

HeldPath target_hold;

} // namespace

void hold_target_folder(const std::string& folder) {
    if (hold_path(target_hold, without_trailing_backslash(folder)) != HoldResult::kHeld)
        release_path(target_hold);
}

bool make_target_folder(const std::string& folder, bool& created) {
    created = false;
    if (hold_path(target_hold, without_trailing_backslash(folder)) != HoldResult::kHeld)
        return false;
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
