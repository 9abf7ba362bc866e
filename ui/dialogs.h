// The two modal dialogs of the system that the installer uses. Both work before any window of
// the installer exists, and disable the program's other windows while they are open.
#pragma once
#include <string>

inline constexpr int kButtonsOk = 0;    // MB_OK
inline constexpr int kButtonsYesNo = 4; // MB_YESNO
inline constexpr int kAnswerYes = 6;    // IDYES

int message_box(const std::string& title, const std::string& text, int buttons = kButtonsOk);
// The chosen folder ending in "\", or the empty text on cancel or when no chooser is available.
std::string choose_folder(const std::string& title, const std::string& initial_folder);

// Shared by both dialogs: the owner window (the foreground window when it is ours), and the
// disabling of this thread's visible, enabled top-level windows around a dialog.
void* dialog_owner();
void disable_thread_windows();
void enable_thread_windows();
