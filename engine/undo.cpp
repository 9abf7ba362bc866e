#include "engine/undo.h"

std::string log_line_text(const UndoAction& action) {
    return action.tag + action.argument;
}

UndoAction split_log_line(const std::string& line) {
    // The tag is everything up to its own ": "; a later ": " belongs to the argument (a path
    // such as C:\a: b).
    size_t colon = line.find(": ");
    if (colon != std::string::npos)
        return UndoAction{line.substr(0, colon + 2), line.substr(colon + 2)};
    // A line without a tag still goes back into the log unchanged.
    if (line.empty()) return UndoAction{};
    return UndoAction{line.substr(0, 1), line.substr(1)};
}

void merge_log_line(std::deque<UndoAction>& list, const std::string& line) {
    for (const UndoAction& action : list) {
        if (action.tag.size() + action.argument.size() == line.size() &&
            line.compare(0, action.tag.size(), action.tag) == 0 &&
            line.compare(action.tag.size(), std::string::npos, action.argument) == 0)
            return;
    }
    list.push_back(split_log_line(line));
}

void merge_log_lines(std::deque<UndoAction>& list, const std::vector<std::string>& lines) {
    for (const std::string& line : lines) {
        if (line.empty()) return;
        merge_log_line(list, line);
    }
}

void split_reg_value_argument(const std::string& argument, std::string& key, std::string& name) {
    size_t slash = argument.rfind('\\');
    if (slash == std::string::npos) {
        key.clear();
        name = argument;
    } else {
        key = argument.substr(0, slash + 1);
        name = argument.substr(slash + 1);
    }
    // A key written in quotes loses its opening quote; either part ends at a quote it holds.
    if (!key.empty() && key[0] == '"') key.erase(0, 1);
    size_t quote = key.find('"');
    if (quote != std::string::npos) key.erase(quote);
    quote = name.find('"');
    if (quote != std::string::npos) name.erase(quote);
}

UndoKind undo_kind(const std::string& tag) {
    if (tag == kTagDeleteFile) return UndoKind::kDeleteFile;
    if (tag == kTagDeleteDirectory) return UndoKind::kDeleteDirectory;
    if (tag == kTagDeleteRegKey) return UndoKind::kDeleteRegKey;
    if (tag == kTagDeleteRegValue) return UndoKind::kDeleteRegValue;
    if (tag == kTagRestoreFile) return UndoKind::kRestoreFile;
    if (tag == kTagRestoreRegValue) return UndoKind::kRestoreRegValue;
    if (tag == kTagRemoveRegValue) return UndoKind::kRemoveRegValue;
    if (tag == kTagRemoveRegKey) return UndoKind::kRemoveRegKey;
    if (tag == kTagRemoveFile) return UndoKind::kRemoveFile;
    return UndoKind::kNone;
}

bool reaches_log(const UndoAction& action) {
    switch (undo_kind(action.tag)) {
    case UndoKind::kRestoreFile:
    case UndoKind::kRestoreRegValue:
    case UndoKind::kRemoveRegValue:
    case UndoKind::kRemoveRegKey:
    case UndoKind::kRemoveFile:
        return false;
    default:
        return true;
    }
}

std::deque<UndoAction> log_actions(const std::deque<UndoAction>& list,
                                   const std::vector<std::string>& old_lines,
                                   const ProductPlaces& places) {
    std::deque<UndoAction> log;
    for (const UndoAction& action : list)
        if (reaches_log(action)) log.push_back(UndoAction{action.tag, action.argument});
    std::vector<std::string> product_lines;
    for (const std::string& line : old_lines) {
        if (line.empty() || log.size() + product_lines.size() >= kMaxLogLines) break;
        if (is_product_log_line(line, places)) product_lines.push_back(line);
    }
    merge_log_lines(log, product_lines);
    return log;
}

std::string log_text(const std::deque<UndoAction>& actions) {
    std::string text;
    for (const UndoAction& action : actions)
        text += log_line_text(action) + "\r\n";
    return text;
}
