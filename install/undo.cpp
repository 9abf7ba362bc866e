#include "install/undo.h"

#include "log/product_scope.h"

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
