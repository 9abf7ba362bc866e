// The uninstaller's removals over Win32: each log step carried out on the real system.
#pragma once
#include <string>
#include <vector>
#include "engine/uninstall_plan.h"

// The whole file, or false when it is missing, unreadable or larger than kMaxLogBytes.
bool read_uninstall_log(const std::string& path, std::string& text);

// Files are deleted (a read-only one too); folders and registry keys only when they are empty;
// registry paths are below HKEY_LOCAL_MACHINE. Something already gone is kAlreadyGone.
StepOutcome perform_uninstall_step(const UninstallStep& step);

// Every step in order. Steps that fail are tried once more after a pause: a program that was
// just closed (the uninstaller's own original among them) can hold its file a moment longer, and
// a folder holding such a file only empties after it.
std::vector<StepResult> perform_uninstall(const UninstallPlan& plan, unsigned retry_pause_ms);
