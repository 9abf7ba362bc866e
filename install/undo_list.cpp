// The session's undo list, apart from the log's composition in undo.cpp, which the fuzz targets
// take without a session: a file that names the session would bring it along.
#include "install/undo.h"

void undo_add(const std::string& tag, const std::string& argument) {
    session.undo_list.push_front(UndoAction{tag, argument});
}

void undo_add(UndoAction action) {
    session.undo_list.push_front(std::move(action));
}

void undo_forget_newest() {
    if (!session.undo_list.empty()) session.undo_list.pop_front();
}

void undo_remove_oldest() {
    if (!session.undo_list.empty()) session.undo_list.pop_back();
}
