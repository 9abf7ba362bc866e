#pragma once
#include <string>

// Registers one document type with the shell; the layout follows GetVersion bits 16-23.
int register_file_type(const std::string& extension, const std::string& description,
                       const std::string& command_program, const std::string& icon,
                       const std::string& executable_name, const std::string& verb_caption,
                       const std::string& verb);
