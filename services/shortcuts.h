#pragma once
#include <string>

// A shell link through COM's shell-link object; COM is started and stopped around each call.
int create_shortcut(const std::string& target, const std::string& link,
                    const std::string& arguments, const std::string& description,
                    const std::string& working_folder, int show_command, int hot_key,
                    const std::string& icon_path, int icon_index);

// The program that the link file starts, as the link holds it; false when the file is no shell
// link the system can read.
bool shortcut_target(const std::string& link, std::string& target);
