#include "uninstall/uninstall_report.h"

#include "log/product.h"
#include "services/text_rules.h"

namespace {

const char* root_name(RegRoot root) {
    switch (root) {
    case kHkeyClassesRoot:
        return "HKEY_CLASSES_ROOT";
    case kHkeyCurrentUser:
        return "HKEY_CURRENT_USER";
    default:
        return "HKEY_LOCAL_MACHINE";
    }
}

std::string registry_path(const UninstallStep& s) {
    return std::string(root_name(s.root)) + "\\" + s.path;
}

// "der Ordner für temporäre Dateien 'C:\Temp'", or without the path when it is not known.
std::string temp_folder_words(const std::string& temp) {
    std::string words = "der Ordner für temporäre Dateien";
    if (!temp.empty()) words += " '" + without_trailing_backslash(temp) + "'";
    return words;
}

std::string describe_leftover(const StepResult& r, const std::string* unusable_temp) {
    const UninstallStep& s = r.step;
    bool not_empty = r.outcome == StepOutcome::kNotEmpty;
    switch (s.action) {
    case UninstallAction::kDeleteFile:
        // The uninstaller cannot remove its own running program; its copy would have.
        if (unusable_temp && r.outcome == StepOutcome::kFailed &&
            equal_ignoring_case(s.path.substr(s.path.rfind('\\') + 1), kUninstallExe))
            return "Datei '" + s.path + "' (" + temp_folder_words(*unusable_temp) +
                   " kann nicht benutzt werden)";
        return "Datei '" + s.path + "' (wird sie noch benutzt?)";
    case UninstallAction::kDeleteFolder:
        return "Ordner '" + s.path + "'" + (not_empty ? " (enthält noch andere Dateien)" : "");
    case UninstallAction::kDeleteRegKey:
    case UninstallAction::kPruneRegKey:
        return "Registrierungsschlüssel '" + registry_path(s) + "'" +
               (not_empty ? " (enthält noch andere Einträge)" : "");
    case UninstallAction::kDeleteRegValue:
        return "Registrierungswert '" + (s.value_name.empty() ? "(Standard)" : s.value_name) +
               "' in '" + registry_path(s) + "'";
    case UninstallAction::kSkip:
        break;
    }
    return std::string();
}

bool is_leftover(const StepResult& r) {
    if (r.outcome == StepOutcome::kFailed) return true;
    return r.outcome == StepOutcome::kNotEmpty && r.step.action != UninstallAction::kPruneRegKey;
}

// "Eine Zeile der Datei Uninstall.txt war … und wurde übergangen.", or with the number of lines
// and the plural (verb + plural_ending); nothing for none.
void add_lines_sentence(std::string& text, size_t lines, const char* verb,
                        const char* plural_ending, const char* rest) {
    if (lines == 0) return;
    const bool one = lines == 1;
    text += "\n\n";
    text += one ? "Eine Zeile" : std::to_string(lines) + " Zeilen";
    text += " der Datei Uninstall.txt ";
    text += verb;
    text += one ? "" : plural_ending;
    text += rest;
    text += one ? " und wurde übergangen." : " und wurden übergangen.";
}

} // namespace

std::string uninstall_report_text(const std::vector<StepResult>& results, size_t skipped_lines,
                                  const std::string& kept_program, size_t foreign_lines,
                                  const std::string* unusable_temp, size_t lines_beyond_limit) {
    std::vector<std::string> leftovers;
    for (const StepResult& r : results)
        if (is_leftover(r)) leftovers.push_back(describe_leftover(r, unusable_temp));
    if (leftovers.empty() && skipped_lines == 0 && foreign_lines == 0 && lines_beyond_limit == 0 &&
        kept_program.empty())
        return kUninstallSuccess;

    std::string text;
    if (leftovers.empty()) {
        text = "Kavento-Producer und Kavento-Player wurden entfernt.";
    } else {
        text = "Kavento-Producer und Kavento-Player wurden entfernt. Folgendes konnte nicht "
               "entfernt werden:\n";
        for (size_t i = 0; i < leftovers.size() && i < kReportListLimit; ++i)
            text += "\n" + leftovers[i];
        if (leftovers.size() > kReportListLimit)
            text += "\n… und " + std::to_string(leftovers.size() - kReportListLimit) + " weitere";
    }
    add_lines_sentence(text, skipped_lines, "war", "en", " unverständlich");
    // Another program may have written them into the log: what they name is left alone.
    add_lines_sentence(text, foreign_lines, "nannte", "n",
                       " etwas, das nicht zu Kavento-Producer und Kavento-Player gehört,");
    // They may be perfectly readable: the log is simply longer than any log of ours.
    add_lines_sentence(text, lines_beyond_limit, "lag", "en",
                       (" hinter den ersten " + std::to_string(kMaxLogLines) + " Zeilen").c_str());
    if (!kept_program.empty() && unusable_temp)
        text += "\n\nUm den Rest zu entfernen, sorgen Sie dafür, dass " +
                temp_folder_words(*unusable_temp) + " benutzt werden kann, und starten Sie '" +
                kept_program + "' dann noch einmal.";
    else if (!kept_program.empty())
        text +=
            "\n\nUm den Rest zu entfernen, starten Sie '" + kept_program + "' später noch einmal.";
    return text;
}

std::string uninstall_log_missing_text(const std::string& log_path) {
    return "Die Datei '" + log_path +
           "' fehlt oder kann nicht gelesen werden. Ohne sie ist keine Deinstallation möglich; "
           "es wurde nichts entfernt.";
}

std::string uninstall_log_empty_text(const std::string& log_path) {
    return "Die Datei '" + log_path +
           "' enthält keine Angaben darüber, was entfernt werden soll. Ohne sie ist keine "
           "Deinstallation möglich; es wurde nichts entfernt.";
}
