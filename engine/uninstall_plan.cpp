#include "engine/uninstall_plan.h"

#include <algorithm>
#include <cstring>
#include "core/text_rules.h"
#include "engine/install_steps.h"
#include "engine/product_scope.h"
#include "engine/undo.h"

namespace {

bool starts_with(const std::string& text, const char* prefix) {
    return text.compare(0, std::strlen(prefix), prefix) == 0;
}

bool has_control_byte(const std::string& text) {
    for (unsigned char c : text)
        if (c < 0x20 || c == 0x7f) return true;
    return false;
}

bool is_trimmed_byte(char c) {
    return c == '.' || c == ' ';
}

// Win32 trims final dots and blanks from names, so a component of dots and blanks alone would
// turn into "." or ".." (or nothing) on its way to the file system. A device name would reach a
// device, which no deletion can remove: the run would only ever end with it "in use".
bool is_plain_path_component(const std::string& name) {
    if (is_device_name(name)) return false;
    bool has_name_byte = false;
    for (unsigned char c : name) {
        if (c < 0x20 || c == 0x7f || std::strchr("*?\"<>|/:", c)) return false;
        if (!is_trimmed_byte(static_cast<char>(c))) has_name_byte = true;
    }
    return has_name_byte;
}

std::vector<std::string> split_at_backslashes(const std::string& text) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        size_t end = text.find('\\', start);
        parts.push_back(
            text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) return parts;
        start = end + 1;
    }
}

bool is_letter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

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

// The group of the uninstaller's own files that a step belongs to: 0 none, 1 its program, 2 its
// log, 3 a folder that holds either. The program goes before the log: a program that cannot be
// removed still needs its log for the next run.
int own_group(const UninstallStep& step, const std::string& program, const std::string& log) {
    if (step.action == UninstallAction::kDeleteFile) {
        if (same_path(step.path, program)) return 1;
        if (same_path(step.path, log)) return 2;
    } else if (step.action == UninstallAction::kDeleteFolder) {
        std::string folder = step.path + "\\";
        if (starts_with_ignoring_case(stored_path_form(program), folder) ||
            starts_with_ignoring_case(stored_path_form(log), folder))
            return 3;
    }
    return 0;
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

std::vector<std::string> split_log_lines(const std::string& text, size_t max_lines,
                                         size_t* lines_left_over) {
    std::vector<std::string> lines;
    size_t left_over = 0;
    std::string line;
    bool has_text = false; // past the limit the text itself is not kept, only whether there is any
    auto end_line = [&] {
        if (lines.size() < max_lines)
            lines.push_back(line);
        else if (has_text)
            ++left_over;
        line.clear();
        has_text = false;
    };
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            end_line();
        } else {
            has_text = true;
            if (lines.size() < max_lines) line += c;
        }
    }
    if (has_text) end_line();
    if (lines_left_over) *lines_left_over = left_over;
    return lines;
}

bool is_removable_file_path(const std::string& path) {
    if (path.size() > kMaxFilePath) return false;
    std::vector<std::string> parts;
    if (path.size() >= 3 && is_letter(path[0]) && path[1] == ':' && path[2] == '\\') {
        parts = split_at_backslashes(path.substr(3));
    } else if (starts_with(path, "\\\\")) {
        parts = split_at_backslashes(path.substr(2));
        // Server and share alone are no folder of ours; "\\?\" and "\\.\" fail the name test.
        if (parts.size() < 3) return false;
        // The system trims nothing in the server and share names: they must be exact.
        for (size_t i = 0; i < 2; ++i)
            if (!parts[i].empty() && is_trimmed_byte(parts[i].back())) return false;
    } else {
        return false; // relative: it would resolve against whatever folder we happen to be in
    }
    for (const std::string& part : parts)
        if (!is_plain_path_component(part)) return false;
    return true;
}

std::string stored_path_form(const std::string& path) {
    // The root ("C:" or "\\server\share") is left as it is.
    size_t root_parts = starts_with(path, "\\\\") ? 4 : 1;
    std::vector<std::string> parts = split_at_backslashes(path);
    std::string result;
    for (size_t i = 0; i < parts.size(); ++i) {
        std::string part = parts[i];
        if (i >= root_parts) {
            if (i + 1 == parts.size()) {
                while (!part.empty() && is_trimmed_byte(part.back()))
                    part.pop_back();
            } else if (!part.empty() && part.back() == '.') {
                part.pop_back();
            }
        }
        if (i != 0) result += '\\';
        result += part;
    }
    return result;
}

bool same_path(const std::string& a, const std::string& b) {
    return equal_ignoring_case(stored_path_form(a), stored_path_form(b));
}

bool is_registry_key_path(const std::string& path) {
    if (path.empty() || path.size() > kMaxRegKeyPath) return false;
    if (has_control_byte(path)) return false;
    for (const std::string& part : split_at_backslashes(path))
        if (part.empty() || part.size() > 255) return false;
    return true;
}

UninstallStep classify_log_line(const std::string& line) {
    UninstallStep step;
    if (line.find('\0') != std::string::npos) return step;
    if (starts_with(line, kTagDeleteFile) || starts_with(line, kTagDeleteDirectory)) {
        bool file = starts_with(line, kTagDeleteFile);
        std::string path = line.substr(std::strlen(file ? kTagDeleteFile : kTagDeleteDirectory));
        if (!is_removable_file_path(path)) return step;
        step.action = file ? UninstallAction::kDeleteFile : UninstallAction::kDeleteFolder;
        step.path = stored_path_form(path);
    } else if (starts_with(line, kTagDeleteRegKey)) {
        std::string key = line.substr(std::strlen(kTagDeleteRegKey));
        if (!key.empty() && key.back() == '\\') key.pop_back();
        if (!is_registry_key_path(key)) return step;
        step.action = UninstallAction::kDeleteRegKey;
        step.path = key;
    } else if (starts_with(line, kTagDeleteRegValue)) {
        std::string argument = line.substr(std::strlen(kTagDeleteRegValue));
        if (argument.size() > kMaxRegKeyPath + 1 + kMaxRegValueName || has_control_byte(argument))
            return step;
        // The installer's roll-back reads double quotes in this argument as delimiters; the same
        // reading here removes what a roll-back would.
        std::string key, name;
        split_reg_value_argument(argument, key, name);
        if (!key.empty() && key.back() == '\\') key.pop_back();
        // An empty name would be the key's default value, which the installer never writes; such
        // a line is more likely cut short than meant, and a default value may be anybody's.
        if (!is_registry_key_path(key) || name.empty() || name.size() > kMaxRegValueName)
            return step;
        step.action = UninstallAction::kDeleteRegValue;
        step.path = key;
        step.value_name = name;
    }
    if (step.action != UninstallAction::kSkip) step.line = line;
    return step;
}

UninstallPlan plan_uninstall(const std::string& log_text, const ProductPlaces& places) {
    UninstallPlan plan;
    std::vector<UninstallStep> own[3];
    const std::string& target_folder = places.installation_folder;
    const std::string program = target_folder + "\\" + kUninstallExe;
    const std::string log = target_folder + "\\" + kUninstallLogName;
    size_t number = 0;
    for (const std::string& line : split_log_lines(log_text, kMaxLogLines, &plan.skipped_lines)) {
        ++number;
        if (line.empty()) continue;
        UninstallStep step = classify_log_line(line);
        make_comparable(step, places);
        step.line_number = number;
        if (step.action == UninstallAction::kSkip) {
            // The pack file's record is deliberately actionless; it is no sign of a damaged log.
            if (!starts_with(line, kTagDeletePackFile)) ++plan.skipped_lines;
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

std::string uninstall_report_text(const std::vector<StepResult>& results, size_t skipped_lines,
                                  const std::string& kept_program, size_t foreign_lines,
                                  const std::string* unusable_temp) {
    std::vector<std::string> leftovers;
    for (const StepResult& r : results)
        if (is_leftover(r)) leftovers.push_back(describe_leftover(r, unusable_temp));
    if (leftovers.empty() && skipped_lines == 0 && foreign_lines == 0 && kept_program.empty())
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

bool is_copy_folder(const std::string& folder, const std::string& temp) {
    const std::string prefix = temp + kCopyFolderPrefix;
    if (temp.empty() || !starts_with_ignoring_case(folder, prefix)) return false;
    std::string digits = folder.substr(prefix.size());
    if (digits.size() != kCopyFolderDigits) return false;
    for (char c : digits)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')))
            return false;
    return true;
}

std::string copy_folder_name(uint32_t high, uint32_t low) {
    static const char kHex[] = "0123456789abcdef";
    std::string name = kCopyFolderPrefix;
    for (uint32_t word : {high, low})
        for (int shift = 28; shift >= 0; shift -= 4)
            name += kHex[(word >> shift) & 0xF];
    return name;
}

std::string copy_command_line(const std::string& copy_path, const std::string& target_folder,
                              const CopyHandles& handles) {
    std::string line = "\"" + copy_path + "\" /uninstall \"" + target_folder + "\"";
    for (uintptr_t handle : {handles.original, handles.started, handles.folder})
        line += " " + std::to_string(handle);
    return line;
}

namespace {

bool parse_handle(const std::string& number, uintptr_t& handle) {
    if (number.empty() || number.size() > 10) return false;
    unsigned long long value = 0;
    for (char c : number) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value > 0xffffffffull) return false;
    handle = static_cast<uintptr_t>(value);
    return true;
}

} // namespace

bool parse_copy_command_line(const std::string& command_line, std::string& target_folder,
                             CopyHandles& handles) {
    // Paths never hold a double quote, so quotes only group; there is no escaping to undo.
    std::vector<std::string> words;
    size_t i = 0;
    while (i < command_line.size()) {
        char c = command_line[i];
        if (c == ' ' || c == '\t') {
            ++i;
        } else if (c == '"') {
            size_t end = command_line.find('"', i + 1);
            if (end == std::string::npos) return false;
            words.push_back(command_line.substr(i + 1, end - i - 1));
            i = end + 1;
        } else {
            size_t end = command_line.find_first_of(" \t\"", i);
            if (end == std::string::npos) end = command_line.size();
            words.push_back(command_line.substr(i, end - i));
            i = end;
        }
    }
    if (words.size() != 6 || words[1] != "/uninstall" || !is_removable_file_path(words[2]))
        return false;
    CopyHandles read;
    if (!parse_handle(words[3], read.original) || !parse_handle(words[4], read.started) ||
        !parse_handle(words[5], read.folder))
        return false;
    target_folder = words[2];
    handles = read;
    return true;
}
