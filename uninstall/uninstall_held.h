// The installation folder, held by the uninstaller for its whole run, and the removals inside it.
//
// Any program of the user may have written into the installation folder (one made directly below
// C:\ is open to every user), so a log line may lead through a link that such a program put
// there: "sys" standing for the system folder turns "*Delete file: C:\Apps\Kavento\sys\x.dll"
// into a system file. Inside the installation folder the uninstaller therefore removes only what
// it reaches through folders that it holds, from the installation folder down, each found to be
// no link once held, and it deletes the thing through a handle of its own, opened as itself.
// The 95 family has no links and opens no folders: there everything goes by name.
#pragma once
#include <string>
#include "uninstall/uninstall_plan.h"

enum class InstallationHold {
    kHeld,        // held, and no folder above it is a link
    kLink,        // it, or a folder above it, is a link: nothing inside it is the product's
    kMissing,     // not there (any more): what was inside it is gone
    kUnavailable, // there, but another program keeps it from being held
};

// Holds folder (without a final backslash, in the form the plan's paths compare in) for the rest
// of the run, the folders above it as well where they can be. Another folder's hold is let go.
InstallationHold hold_installation(const std::string& folder);
// Lets go of the installation folder and the folders above it: steps go by name again.
void release_installation();

// Refuses the plan's file and folder steps at or inside the held installation folder whose path
// runs through a link below it (or every one of them, when the folder itself is a link or lies
// below one): each stays in its place as kSkip without its line, and counts with the foreign
// lines, like a line for something that is not the product's.
void refuse_linked_steps(UninstallPlan& plan);

// A file or folder step at or inside the held installation folder, carried out through handles:
// true, with its outcome. False for every other step (and on the 95 family), which goes by name.
// A link met on the way by now (put there after the plan) leaves the step kFailed.
bool perform_held_step(const UninstallStep& step, StepOutcome& outcome);
