// What the uninstaller tells the user: its question, and the closing report of what is left and
// why. Platform-free.
#pragma once
#include <cstddef>
#include <string>
#include <vector>
#include "uninstall/uninstall_plan.h"

inline constexpr const char* kUninstallTitle = "Kavento-Deinstallation";
inline constexpr const char* kUninstallQuestion =
    "Möchten Sie die Programme Kavento-Producer und Kavento-Player und alle ihre Komponenten "
    "entfernen?";
inline constexpr const char* kUninstallSuccess =
    "Kavento-Producer und Kavento-Player wurden erfolgreich entfernt.";
inline constexpr const char* kUninstallErrorTitle = "Fehler";
// How many leftovers the report names before it only counts the rest: a message box taller than
// the screen hides its own OK button.
inline constexpr size_t kReportListLimit = 12;

// The closing message: the success text when every step left nothing behind and no line was
// skipped, else what is left and why. kept_program names the uninstaller that stays for a later
// run, or is empty. unusable_temp, when given, is the temp folder (empty: not known) that could
// not take the uninstaller's copy: the uninstaller then stays because of it, not because it is in
// use, and every later run meets it as well until it is mended. lines_beyond_limit counts the
// lines that the plan never read because they came after the first kMaxLogLines.
std::string uninstall_report_text(const std::vector<StepResult>& results, size_t skipped_lines,
                                  const std::string& kept_program, size_t foreign_lines = 0,
                                  const std::string* unusable_temp = nullptr,
                                  size_t lines_beyond_limit = 0);

std::string uninstall_log_missing_text(const std::string& log_path);
// For a log that is there but names nothing to remove.
std::string uninstall_log_empty_text(const std::string& log_path);
