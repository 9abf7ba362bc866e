#include "engine/uninstall_plan.h"

#include <cstring>
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

// Win32 drops trailing dots and blanks from a name, so ".. " would climb like ".." does; names the
// installer writes never end that way.
bool is_plain_path_component(const std::string& name) {
    if (name.empty() || name.back() == '.' || name.back() == ' ') return false;
    for (unsigned char c : name)
        if (c < 0x20 || c == 0x7f || std::strchr("*?\"<>|/:", c)) return false;
    return true;
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

std::string hklm(const std::string& key) {
    return "HKEY_LOCAL_MACHINE\\" + key;
}

std::string describe_leftover(const StepResult& r) {
    const UninstallStep& s = r.step;
    bool not_empty = r.outcome == StepOutcome::kNotEmpty;
    switch (s.action) {
    case UninstallAction::kDeleteFile:
        return "Datei '" + s.path + "' (wird sie noch benutzt?)";
    case UninstallAction::kDeleteFolder:
        return "Ordner '" + s.path + "'" + (not_empty ? " (enthält noch andere Dateien)" : "");
    case UninstallAction::kDeleteRegKey:
        return "Registrierungsschlüssel '" + hklm(s.path) + "'" +
               (not_empty ? " (enthält noch andere Einträge)" : "");
    case UninstallAction::kDeleteRegValue:
        return "Registrierungswert '" + s.value_name + "' in '" + hklm(s.path) + "'";
    case UninstallAction::kSkip:
        break;
    }
    return std::string();
}

} // namespace

std::vector<std::string> split_log_lines(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            lines.push_back(line);
            line.clear();
        } else {
            line += c;
        }
    }
    if (!line.empty()) lines.push_back(line);
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
    } else {
        return false; // relative: it would resolve against whatever folder we happen to be in
    }
    for (const std::string& part : parts)
        if (!is_plain_path_component(part) || part == "." || part == "..") return false;
    return true;
}

bool is_registry_key_path(const std::string& path) {
    if (path.empty() || path.size() > kMaxRegKeyPath) return false;
    // The installer's roll-back reads double quotes in registry arguments as delimiters; a line
    // holding one has no single meaning, so it is left alone.
    if (has_control_byte(path) || path.find('"') != std::string::npos) return false;
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
        step.path = path;
    } else if (starts_with(line, kTagDeleteRegKey)) {
        std::string key = line.substr(std::strlen(kTagDeleteRegKey));
        if (!key.empty() && key.back() == '\\') key.pop_back();
        if (!is_registry_key_path(key)) return step;
        step.action = UninstallAction::kDeleteRegKey;
        step.path = key;
    } else if (starts_with(line, kTagDeleteRegValue)) {
        std::string argument = line.substr(std::strlen(kTagDeleteRegValue));
        size_t cut = argument.rfind('\\');
        if (cut == std::string::npos) return step;
        std::string key = argument.substr(0, cut);
        std::string name = argument.substr(cut + 1);
        // An empty name would be the key's default value, which the installer never writes.
        if (!is_registry_key_path(key) || name.empty() || name.size() > kMaxRegValueName ||
            has_control_byte(name) || name.find('"') != std::string::npos)
            return step;
        step.action = UninstallAction::kDeleteRegValue;
        step.path = key;
        step.value_name = name;
    }
    return step;
}

UninstallPlan plan_uninstall(const std::string& log_text) {
    UninstallPlan plan;
    for (const std::string& line : split_log_lines(log_text)) {
        if (line.empty()) continue;
        UninstallStep step = classify_log_line(line);
        if (step.action == UninstallAction::kSkip) {
            // The pack file's record is deliberately actionless; it is no sign of a damaged log.
            if (!starts_with(line, kTagDeletePackFile)) ++plan.skipped_lines;
        } else {
            plan.steps.push_back(step);
        }
    }
    return plan;
}

std::string uninstall_report_text(const std::vector<StepResult>& results, size_t skipped_lines) {
    std::vector<std::string> leftovers;
    for (const StepResult& r : results)
        if (r.outcome == StepOutcome::kNotEmpty || r.outcome == StepOutcome::kFailed)
            leftovers.push_back(describe_leftover(r));
    if (leftovers.empty() && skipped_lines == 0) return kUninstallSuccess;

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
    if (skipped_lines == 1)
        text += "\n\nEine Zeile der Datei Uninstall.txt war unverständlich und wurde übergangen.";
    else if (skipped_lines > 1)
        text += "\n\n" + std::to_string(skipped_lines) +
                " Zeilen der Datei Uninstall.txt waren unverständlich und wurden übergangen.";
    return text;
}

std::string uninstall_log_missing_text(const std::string& log_path) {
    return "Die Datei '" + log_path +
           "' fehlt oder kann nicht gelesen werden. Ohne sie ist keine Deinstallation möglich; "
           "es wurde nichts entfernt.";
}

std::string copy_command_line(const std::string& copy_path, const std::string& target_folder,
                              uintptr_t wait_handle) {
    return "\"" + copy_path + "\" /uninstall \"" + target_folder + "\" " +
           std::to_string(static_cast<unsigned long long>(wait_handle));
}

bool parse_copy_command_line(const std::string& command_line, std::string& target_folder,
                             uintptr_t& wait_handle) {
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
    if (words.size() != 4 || words[1] != "/uninstall" || !is_removable_file_path(words[2]))
        return false;
    const std::string& number = words[3];
    if (number.empty() || number.size() > 10) return false;
    unsigned long long value = 0;
    for (char c : number) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value > 0xffffffffull) return false;
    target_folder = words[2];
    wait_handle = static_cast<uintptr_t>(value);
    return true;
}
