#include "services/whole_files.h"
#include "uninstall/uninstall_run.h"

#include <windows.h>
#include <cstring>
#include "env/registry.h"
#include "env/registry_rules.h"
#include "log/log_file.h"
#include "log/product.h"
#include "log/product_scope.h"
#include "services/shortcuts.h"
#include "services/system_paths.h"
#include "services/text_rules.h"
#include "uninstall/uninstall_held.h"

namespace {

bool is_missing(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

StepOutcome delete_file(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return is_missing(GetLastError()) ? StepOutcome::kAlreadyGone : StepOutcome::kFailed;
    // A folder where the log names a file is not the thing the installation made.
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return StepOutcome::kFailed;
    if (DeleteFileA(path.c_str())) return StepOutcome::kRemoved;
    if (attributes & FILE_ATTRIBUTE_READONLY) {
        SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
        if (DeleteFileA(path.c_str())) return StepOutcome::kRemoved;
        SetFileAttributesA(path.c_str(), attributes);
    }
    return StepOutcome::kFailed;
}

StepOutcome delete_folder(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return is_missing(GetLastError()) ? StepOutcome::kAlreadyGone : StepOutcome::kFailed;
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return StepOutcome::kFailed;
    // Checked first, not left to RemoveDirectory: on some file systems and network shares a
    // folder that still holds the user's documents must not depend on the server refusing.
    if (!folder_is_empty(path, true)) return StepOutcome::kNotEmpty;
    if (RemoveDirectoryA(path.c_str())) return StepOutcome::kRemoved;
    if (GetLastError() == ERROR_DIR_NOT_EMPTY) return StepOutcome::kNotEmpty;
    if (attributes & FILE_ATTRIBUTE_READONLY) {
        SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
        if (RemoveDirectoryA(path.c_str())) return StepOutcome::kRemoved;
        SetFileAttributesA(path.c_str(), attributes);
    }
    return StepOutcome::kFailed;
}

HKEY root_key(RegRoot root) {
    return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(root));
}

StepOutcome delete_reg_key(RegRoot root, const std::string& path) {
    HKEY key;
    LONG status = RegOpenKeyExA(root_key(root), path.c_str(), 0, KEY_READ, &key);
    if (status != ERROR_SUCCESS)
        return is_missing(status) ? StepOutcome::kAlreadyGone : StepOutcome::kFailed;
    DWORD sub_keys = 0, values = 0;
    status = RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &sub_keys, nullptr, nullptr, &values,
                              nullptr, nullptr, nullptr, nullptr);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) return StepOutcome::kFailed;
    // Windows 9x deletes a key with everything below it: checking first keeps other entries.
    if (sub_keys != 0 || values != 0) return StepOutcome::kNotEmpty;
    return RegDeleteKeyA(root_key(root), path.c_str()) == ERROR_SUCCESS ? StepOutcome::kRemoved
                                                                        : StepOutcome::kFailed;
}

// The list's entry is one log line for a key with values: the values that the installation
// writes go first, so that the key goes when nothing of anyone else's is left in it.
StepOutcome delete_uninstall_entry(RegRoot root, const std::string& path) {
    for (const char* name : kEntryValueNames)
        reg_delete_value(root, path, name);
    return delete_reg_key(root, path);
}

StepOutcome delete_reg_value(RegRoot root, const std::string& path, const std::string& name) {
    HKEY key;
    LONG status = RegOpenKeyExA(root_key(root), path.c_str(), 0, KEY_SET_VALUE, &key);
    if (status != ERROR_SUCCESS)
        return is_missing(status) ? StepOutcome::kAlreadyGone : StepOutcome::kFailed;
    status = RegDeleteValueA(key, name.c_str());
    RegCloseKey(key);
    if (status == ERROR_SUCCESS) return StepOutcome::kRemoved;
    return is_missing(status) ? StepOutcome::kAlreadyGone : StepOutcome::kFailed;
}

} // namespace

StepOutcome perform_uninstall_step(const UninstallStep& step) {
    // Inside the installation folder, only through what the uninstaller holds.
    StepOutcome held = StepOutcome::kFailed;
    if (perform_held_step(step, held)) return held;
    switch (step.action) {
    case UninstallAction::kDeleteFile:
        return delete_file(step.path);
    case UninstallAction::kDeleteFolder:
        return delete_folder(step.path);
    case UninstallAction::kDeleteRegKey:
        if (is_uninstall_entry_key(step.path)) return delete_uninstall_entry(step.root, step.path);
        return delete_reg_key(step.root, step.path);
    case UninstallAction::kPruneRegKey:
        return delete_reg_key(step.root, step.path);
    case UninstallAction::kDeleteRegValue:
        return delete_reg_value(step.root, step.path, step.value_name);
    case UninstallAction::kSkip:
        break;
    }
    return StepOutcome::kAlreadyGone;
}

static bool exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Whether the link's target lies inside the folder, compared as the places are.
static bool leads_into(const std::string& link, const std::string& folder) {
    std::string target;
    if (!shortcut_target(link, target) || !is_removable_file_path(target)) return false;
    target = stored_path_form(target);
    make_comparable_path(target);
    return is_inside(target, folder);
}

void refuse_foreign_links(UninstallPlan& plan, const ProductPlaces& places) {
    // Links first: a folder's turn comes after the links that are still counted as ours.
    for (int pass = 0; pass < 2; ++pass) {
        for (UninstallStep& step : plan.steps) {
            const bool folder = step.action == UninstallAction::kDeleteFolder;
            if (folder != (pass == 1) || !is_product_step_outside(step, places)) continue;
            bool ours = false;
            if (folder) {
                // An empty folder holds nothing of anyone's: removing it costs nothing, and a
                // folder whose links are gone (deleted by hand, or by a run that was cut off)
                // would otherwise stay for good.
                ours = folder_is_empty(step.path, false);
                for (const UninstallStep& link : plan.steps)
                    ours |= link.action == UninstallAction::kDeleteFile &&
                            is_product_step_outside(link, places) &&
                            equal_ignoring_case(folder_of(link.path), step.path + "\\") &&
                            exists(link.path);
            } else {
                ours = !exists(step.path) || leads_into(step.path, places.installation_folder);
            }
            if (ours) continue;
            // Left in its place, so that the uninstaller's own steps keep theirs; without its
            // line it is neither carried out nor written back.
            step.action = UninstallAction::kSkip;
            step.line.clear();
            ++plan.foreign_lines;
        }
    }
}

void read_registry(std::vector<RegistryReading>& readings) {
    for (RegistryReading& r : readings) {
        uint32_t type = 0;
        std::string data;
        r.present = reg_read_raw(r.root, r.key, r.name, type, data) == 0;
        // Only a string value holds a text that can be one of ours.
        r.text = r.present && (type == REG_SZ || type == REG_EXPAND_SZ)
                     ? text_of_string_value(data.data(), data.size())
                     : std::string();
    }
}

namespace {

bool is_left(StepOutcome outcome) {
    return outcome == StepOutcome::kFailed || outcome == StepOutcome::kNotEmpty;
}

} // namespace

UninstallRun run_uninstall(const UninstallPlan& plan, const std::vector<UninstallStep>& extra,
                           const std::string& log_path, unsigned retry_pause_ms) {
    UninstallRun run;
    std::vector<StepResult>& results = run.results;
    bool any_left = false;
    auto carry_out = [&](const UninstallStep& step) {
        StepResult r{step, perform_uninstall_step(step)};
        any_left |= is_left(r.outcome);
        results.push_back(r);
    };
    for (size_t i = 0; i < plan.own_steps_begin && i < plan.steps.size(); ++i)
        carry_out(plan.steps[i]);
    for (const UninstallStep& step : extra)
        carry_out(step);
    if (any_left && retry_pause_ms != 0) {
        Sleep(retry_pause_ms);
        for (StepResult& r : results)
            if (is_left(r.outcome)) r.outcome = perform_uninstall_step(r.step);
    }

    bool failed = false;
    for (const StepResult& r : results)
        failed |= r.outcome == StepOutcome::kFailed;
    for (size_t i = plan.own_steps_begin; i < plan.steps.size(); ++i) {
        StepResult r{plan.steps[i], StepOutcome::kKept};
        if (!failed) {
            r.outcome = perform_uninstall_step(r.step);
            if (i == plan.own_steps_begin) stop_point("own-program");
            if (r.outcome == StepOutcome::kFailed && retry_pause_ms != 0) {
                Sleep(retry_pause_ms);
                r.outcome = perform_uninstall_step(r.step);
            }
            failed = r.outcome == StepOutcome::kFailed;
        }
        results.push_back(r);
    }
    if (failed) {
        // The program's folder is the log's: without the program there is nothing to run again.
        replace_whole_file(log_path, remaining_log_text(results));
        run.repeatable = exists(log_path) && exists(folder_of(log_path) + kUninstallExe);
    }
    return run;
}
