// The uninstaller's plan: which lines of Uninstall.txt it carries out, in which order, and the
// log that is left for a later run. Platform-free; the removals themselves are in
// uninstall_run_win32.cpp.
#pragma once
#include <cstddef>
#include <string>
#include <vector>
#include "log/log_lines.h"

enum class StepOutcome {
    kRemoved,
    kAlreadyGone, // nothing to do: counts as removed
    kNotEmpty,    // a folder or key that still holds things the installation did not make
    kFailed,      // in use, access denied, …
    kKept,        // not tried: left for a later run, because something before it failed
};

struct StepResult {
    UninstallStep step;
    StepOutcome outcome = StepOutcome::kRemoved;
};

// The steps in log order, except that the uninstaller's own program (target_folder +
// "\Uninstall.exe"), the system list's entry that starts it, its own log (target_folder +
// "\Uninstall.txt") and then the folders that hold them come last, from own_steps_begin on: while
// anything else is left, they stay, so that the uninstallation can be run again.
// Lines that name anything but the product's own (log/product_scope.h) are counted apart.
struct UninstallPlan {
    std::vector<UninstallStep> steps;
    size_t own_steps_begin = 0;
    size_t skipped_lines = 0;      // unreadable non-empty lines
    size_t foreign_lines = 0;      // readable lines that name something not the product's
    size_t lines_beyond_limit = 0; // non-empty lines after the first kMaxLogLines: never read
};
struct ProductPlaces;
// target_folder is places.installation_folder (without a final backslash).
UninstallPlan plan_uninstall(const std::string& log_text, const ProductPlaces& places);

// The log lines of the steps that are still to do (kept, failed or not empty), in their order in
// the log, each ended by CR LF: the log that a later run carries on with.
std::string remaining_log_text(const std::vector<StepResult>& results);
