// The uninstaller's removals over Win32: each log step carried out on the real system.
#pragma once
#include <cstdint>
#include <string>
#include <vector>
#include "uninstall/uninstall_file_types.h"
#include "uninstall/uninstall_plan.h"

// Files are deleted (a read-only one too); folders and registry keys only when they are empty.
// Something already gone is kAlreadyGone.
StepOutcome perform_uninstall_step(const UninstallStep& step);

// A link that the rule admits outside the installation folder is removed only when it leads into
// that folder: another program's link of the same name (its own "Uninstall.lnk") stays. A folder
// in the start menu is removed only while it holds such a link of ours, or when it is empty: a
// log line alone cannot make a folder with another's things ours. A refused step leaves the plan
// and counts as a foreign line, like a file there that is no link the system can read. A link
// that is gone already stays in the plan.
struct ProductPlaces;
void refuse_foreign_links(UninstallPlan& plan, const ProductPlaces& places);

// The document types' values as the registry holds them now.
void read_registry(std::vector<RegistryReading>& readings);

struct UninstallRun {
    std::vector<StepResult> results;
    bool repeatable = false; // something is left, and the program and its log stay for it
};

// Carries out the plan's steps before own_steps_begin and then the extra steps (the document
// types). Steps that fail are tried once more after a pause: a program that was just closed (the
// uninstaller's own original among them) can hold its file a moment longer, and a folder holding
// such a file only empties after it. Only when none of them failed follow the uninstaller's own
// files, each retried likewise; the first of these that fails stops the rest. Whenever something
// failed, the log at log_path is rewritten with the lines still to do.
UninstallRun run_uninstall(const UninstallPlan& plan, const std::vector<UninstallStep>& extra,
                           const std::string& log_path, unsigned retry_pause_ms);
