#include "uninstall/uninstall_plan.h"

#include <algorithm>
#include <cstring>
#include "log/product.h"
#include "log/product_scope.h"
#include "services/text_rules.h"

namespace {

// The group of the uninstaller's own files that a step belongs to: 0 none, 1 its program, 2 the
// entry in the system's list that starts it, 3 its log, 4 a folder that holds either. The program
// goes before the log: a program that cannot be removed still needs its log for the next run, and
// the list's entry to be found by.
int own_group(const UninstallStep& step, const std::string& program, const std::string& log) {
    if (step.action == UninstallAction::kDeleteFile) {
        if (same_path(step.path, program)) return 1;
        if (same_path(step.path, log)) return 3;
    } else if (step.action == UninstallAction::kDeleteRegKey) {
        if (is_uninstall_entry_key(step.path)) return 2;
    } else if (step.action == UninstallAction::kDeleteFolder) {
        std::string folder = step.path + "\\";
        if (starts_with_ignoring_case(stored_path_form(program), folder) ||
            starts_with_ignoring_case(stored_path_form(log), folder))
            return 4;
    }
    return 0;
}

} // namespace

UninstallPlan plan_uninstall(const std::string& log_text, const ProductPlaces& places) {
    UninstallPlan plan;
    std::vector<UninstallStep> own[4];
    const std::string& target_folder = places.installation_folder;
    const std::string program = target_folder + "\\" + kUninstallExe;
    const std::string log = target_folder + "\\" + kUninstallLogName;
    size_t number = 0;
    for (const std::string& line :
         split_log_lines(log_text, kMaxLogLines, &plan.lines_beyond_limit)) {
        ++number;
        if (line.empty()) continue;
        UninstallStep step = classify_log_line(line);
        make_comparable(step, places);
        step.line_number = number;
        if (step.action == UninstallAction::kSkip) {
            // The pack file's record is deliberately actionless; it is no sign of a damaged log.
            if (line.compare(0, std::strlen(kTagDeletePackFile), kTagDeletePackFile) != 0)
                ++plan.skipped_lines;
            continue;
        }
        if (!is_product_step(step, places)) {
            ++plan.foreign_lines;
            continue;
        }
        int group = target_folder.empty() ? 0 : own_group(step, program, log);
        if (group == 0)
            plan.steps.push_back(step);
        else
            own[group - 1].push_back(step);
    }
    plan.own_steps_begin = plan.steps.size();
    for (const auto& group : own)
        plan.steps.insert(plan.steps.end(), group.begin(), group.end());
    return plan;
}

std::string remaining_log_text(const std::vector<StepResult>& results) {
    std::vector<const UninstallStep*> left;
    for (const StepResult& r : results)
        if (!r.step.line.empty() && r.outcome != StepOutcome::kRemoved &&
            r.outcome != StepOutcome::kAlreadyGone)
            left.push_back(&r.step);
    // The uninstaller's own steps ran last; in the log they keep their places.
    std::sort(left.begin(), left.end(), [](const UninstallStep* a, const UninstallStep* b) {
        return a->line_number < b->line_number;
    });
    std::string text;
    for (const UninstallStep* s : left)
        text += s->line + "\r\n";
    return text;
}
