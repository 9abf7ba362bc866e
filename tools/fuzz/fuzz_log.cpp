// Arbitrary bytes as Uninstall.txt: split into lines, each read as a step, judged by the rule of
// what is the product's own against one fixed installation, planned as the uninstaller plans,
// and merged into a new log as an update merges an earlier one. The log lies where any program
// may write, so whatever it holds may never make a step that reaches outside the product.
#include "install/undo.h"
#include "log/product_scope.h"
#include "uninstall/uninstall_plan.h"
#include "uninstall/uninstall_report.h"

#include <cstdlib>
#include <string>
#include <vector>

namespace {

void upper_case(std::string& path) {
    for (char& c : path)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
}

// An installation into the profile, so that special folders lie inside it as well as around it.
ProductPlaces places_of(bool with_form) {
    ProductPlaces places;
    places.installation_folder = "C:\\Users\\Ute\\Kavento";
    places.menu_folders = {"C:\\ProgramData\\Start Menu\\Programs",
                           "C:\\Users\\Ute\\Start Menu\\Programs"};
    places.desktops = {"C:\\Users\\Public\\Desktop", "C:\\Users\\Ute\\Desktop"};
    places.special_folders = {"C:\\Users\\Ute", "C:\\Users\\Ute\\Kavento\\Documents",
                              "C:\\Users\\Ute\\Start Menu\\Programs\\StartUp", "C:\\Windows"};
    if (with_form) {
        places.comparable_form = upper_case;
        upper_case(places.installation_folder);
        for (auto* list : {&places.menu_folders, &places.desktops, &places.special_folders})
            for (std::string& path : *list)
                upper_case(path);
    }
    return places;
}

bool is_at_or_inside(const std::string& path, const std::string& folder) {
    return is_inside(path, folder) || same_path(path, folder);
}

// What the rule may admit at most: a registry step in the product's key, or a path in the
// installation or below a programs folder or directly on a desktop, and never a folder that holds
// one the system names.
void check_product_step(const UninstallStep& step, const ProductPlaces& places) {
    if (step.action == UninstallAction::kDeleteRegKey ||
        step.action == UninstallAction::kDeleteRegValue) {
        if (step.root != kHkeyLocalMachine || !is_registry_key_path(step.path)) std::abort();
        return;
    }
    if (step.action != UninstallAction::kDeleteFile &&
        step.action != UninstallAction::kDeleteFolder)
        std::abort();
    bool placed = is_at_or_inside(step.path, places.installation_folder);
    for (const std::string& menu : places.menu_folders)
        placed = placed || is_inside(step.path, menu);
    for (const std::string& desktop : places.desktops)
        placed = placed || (step.action == UninstallAction::kDeleteFile &&
                            same_path(step.path.substr(0, step.path.rfind('\\')), desktop));
    if (!placed) std::abort();
    if (step.action == UninstallAction::kDeleteFolder)
        for (const std::string& special : places.special_folders)
            if (is_at_or_inside(special, step.path)) std::abort();
}

void check_step(const std::string& line, const ProductPlaces& places) {
    // Tag and argument always give the line back, so merging never changes a line.
    const UndoAction split = split_log_line(line);
    if (split.tag + split.argument != line) std::abort();

    UninstallStep step = classify_log_line(line);
    if (step.action == UninstallAction::kSkip) return;
    if (step.line != line) std::abort();
    if (step.action == UninstallAction::kDeleteFile ||
        step.action == UninstallAction::kDeleteFolder) {
        // The stored form is what the removal acts on: it must still be a path it may act on.
        if (!is_removable_file_path(step.path)) std::abort();
    } else if (!is_registry_key_path(step.path) ||
               (step.action == UninstallAction::kDeleteRegValue && step.value_name.empty())) {
        std::abort();
    }
    make_comparable(step, places);
    if (is_product_step(step, places)) check_product_step(step, places);
    if (is_product_log_line(line, places) != is_product_step(step, places)) std::abort();
}

std::vector<StepResult> all_failed(const UninstallPlan& plan) {
    std::vector<StepResult> results;
    for (const UninstallStep& step : plan.steps)
        results.push_back(StepResult{step, StepOutcome::kFailed});
    return results;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const ProductPlaces places = places_of(data[0] & 1);
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);

    size_t left_over = 0;
    const std::vector<std::string> lines = split_log_lines(text, kMaxLogLines, &left_over);
    if (lines.size() > kMaxLogLines) std::abort();
    size_t kept = 0;
    for (const std::string& line : lines) {
        if (line.find_first_of("\r\n") != std::string::npos) std::abort();
        kept += line.size();
        check_step(line, places);
    }
    if (kept > text.size()) std::abort();

    // Every planned step is the product's; what is left after a run in which all of them failed
    // plans to the same steps again, so that running the uninstaller again carries on.
    const UninstallPlan plan = plan_uninstall(text, places);
    if (plan.own_steps_begin > plan.steps.size()) std::abort();
    for (const UninstallStep& step : plan.steps)
        if (!is_product_step(step, places)) std::abort();
    const std::vector<StepResult> results = all_failed(plan);
    const UninstallPlan again = plan_uninstall(remaining_log_text(results), places);
    if (again.steps.size() != plan.steps.size() || again.foreign_lines != 0) std::abort();
    for (size_t i = 0; i < plan.steps.size(); ++i)
        if (again.steps[i].path != plan.steps[i].path) std::abort();
    uninstall_report_text(results, plan.skipped_lines, "C:\\Users\\Ute\\Kavento\\Uninstall.exe",
                          plan.foreign_lines, nullptr, plan.lines_beyond_limit);

    // An update's log: this run's records, then the earlier log's lines that are the product's,
    // each once.
    std::deque<UndoAction> list;
    list.push_back(UndoAction{kTagDeleteFile, places.installation_folder + "\\Player.exe"});
    list.push_back(UndoAction{kTagRestoreFile, places.installation_folder + "\\Player.exe"});
    const std::deque<UndoAction> log = log_actions(list, lines, places);
    if (log.size() > kMaxLogLines || log.empty()) std::abort();
    std::deque<UndoAction> merged = log;
    for (size_t i = 1; i < log.size(); ++i) {
        const std::string line = log_line_text(log[i]);
        if (!is_product_log_line(line, places)) std::abort();
        merge_log_line(merged, line);
    }
    if (merged.size() != log.size()) std::abort();
    return 0;
}
