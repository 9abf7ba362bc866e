#include "uninstall/uninstaller.h"

#include <windows.h>
#include "log/journal.h"
#include "log/log_file.h"
#include "log/product.h"
#include "log/product_scope.h"
#include "services/system_paths.h"
#include "services/text_rules.h"
#include "services/whole_files.h"
#include "uninstall/copy_origin.h"
#include "uninstall/restart_deletion.h"
#include "uninstall/temp_copy.h"
#include "uninstall/uninstall_file_types.h"
#include "uninstall/uninstall_held.h"
#include "uninstall/uninstall_report.h"
#include "uninstall/uninstall_run.h"

namespace {

// How long the copy waits for the original before going ahead anyway; the steps it could not
// carry out yet are tried again after kRetryPauseMs and then reported.
constexpr DWORD kOriginalWaitMs = 30000;
constexpr unsigned kRetryPauseMs = 1500;

// Paths from the system by their ANSI or short form (services/system_paths.h), or empty: a temp
// folder "C:\users\Łukasz\Temp" is reached as it is, not as the look-alike "Lukasz".
std::string temp_folder() {
    std::string folder;
    return system_temp_folder(folder) && folder.size() < MAX_PATH ? folder : std::string();
}

void show(const std::string& text, const char* title, UINT icon) {
    MessageBoxA(nullptr, text.c_str(), title, MB_OK | icon | MB_SETFOREGROUND);
}

// Reads and plans the log of a target folder; tells the user and returns false when there is
// nothing to go on.
bool load_plan(const std::string& target_folder, UninstallPlan& plan) {
    std::string log_path = target_folder + "\\" + kUninstallLogName;
    std::string text;
    // The 95 family cannot replace a file in one step: between the deletion of the old log and
    // the renaming of the new one, the new one is whole under its temporary name.
    if (!read_whole_file(log_path, text) && !read_whole_file(log_path + kLogTempSuffix, text)) {
        show(uninstall_log_missing_text(log_path), kUninstallErrorTitle, MB_ICONERROR);
        return false;
    }
    const ProductPlaces places = product_places(target_folder);
    plan = plan_uninstall(text, places);
    refuse_foreign_links(plan, places);
    if (plan.steps.empty()) {
        show(uninstall_log_empty_text(log_path), kUninstallErrorTitle, MB_ICONERROR);
        return false;
    }
    return true;
}

// unusable_temp: the temp folder that could not take the copy, when that is why the work is done
// from the installation folder; null otherwise.
void uninstall_and_report(const UninstallPlan& loaded, const std::string& target_folder,
                          const std::string* unusable_temp = nullptr) {
    // Held from here to the end; inside it, nothing is done through a link.
    std::string installation = stored_path_form(target_folder);
    make_comparable_path(installation);
    hold_installation(installation);
    UninstallPlan plan = loaded;
    refuse_linked_steps(plan);
    std::vector<RegistryReading> readings = file_type_readings();
    read_registry(readings);
    // What this run is to remove, written down before anything goes: a run cut off is finished
    // by the next start of either program, even once this program or the links that showed a
    // start-menu folder to be ours are gone.
    if (journal_begin(UndoAction{kTagRunUninstall, target_folder}))
        for (const UninstallStep& step : plan.steps)
            if (!step.line.empty()) journal_append(split_log_line(step.line));
    UninstallRun run = run_uninstall(plan, file_type_removals(readings, target_folder),
                                     target_folder + "\\" + kUninstallLogName, kRetryPauseMs);
    journal_end();
    // Not while the report waits for the user: the folders above stay shared for reading only.
    release_installation();
    std::string report = uninstall_report_text(
        run.results, plan.skipped_lines, run.repeatable ? target_folder + "\\" + kUninstallExe : "",
        plan.foreign_lines, unusable_temp, plan.lines_beyond_limit);
    show(report, kUninstallTitle,
         report == kUninstallSuccess ? MB_ICONINFORMATION : MB_ICONWARNING);
}

} // namespace

std::string module_path() {
    std::string path;
    return module_file_path(nullptr, path) && path.size() < MAX_PATH ? path : std::string();
}

void run_original() {
    std::string self = module_path();
    // Started by its short name, or from a folder that the code page cannot spell, it still
    // compares with the paths of the log.
    std::string comparable = self;
    make_comparable_path(comparable);
    std::string target_folder = without_trailing_backslash(folder_of(comparable));
    UninstallPlan plan;
    if (target_folder.empty() || !load_plan(target_folder, plan)) return;
    if (MessageBoxA(nullptr, kUninstallQuestion, kUninstallTitle,
                    MB_YESNO | MB_ICONQUESTION | MB_SETFOREGROUND) != IDYES)
        return;
    // A drive root is no folder the copy could be handed (nor one to remove), and a copy that
    // could not tell who started it would refuse its command line: work from here then.
    const std::string temp = temp_folder();
    CopyStart started = CopyStart::kFailed;
    if (is_removable_file_path(target_folder) && can_tell_copy_origin())
        started = start_temp_copy(self, temp, target_folder);
    if (started == CopyStart::kStarted) return;
    // Without a copy the work is done from here; this file and its folder stay and are reported,
    // with the temp folder as the reason where that was it: every later run would meet it too.
    uninstall_and_report(plan, target_folder,
                         started == CopyStart::kNoTempFolder ? &temp : nullptr);
}

void run_copy(const std::string& target_folder, const CopyHandles& handles) {
    std::string self = module_path();
    // At once, not at the end: a copy that is cut off must not stay in the temp folder for good.
    // The way out below schedules what it then leaves.
    const std::string folder = without_trailing_backslash(folder_of(self));
    const std::string temp = temp_folder();
    delete_copy_at_restart(self, false, folder, temp);
    delete_copy_at_restart(folder, true, folder, temp);
    if (handles.original) {
        HANDLE original = reinterpret_cast<HANDLE>(handles.original);
        WaitForSingleObject(original, kOriginalWaitMs);
        CloseHandle(original);
    }
    UninstallPlan plan;
    if (load_plan(target_folder, plan)) uninstall_and_report(plan, target_folder);
    // On the NT family this needs administrator rights, which removing a Program Files
    // installation needed anyway; the temp folder's own clean-up catches the copy otherwise.
    leave_copy(self, temp, reinterpret_cast<HANDLE>(handles.folder));
}
