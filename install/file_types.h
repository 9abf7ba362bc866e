// The installer's registration of the document types (log/document_types.h) with the shell.
#pragma once
#include <string>
#include "log/document_types.h"

// Registers one document type with the shell; the layout follows GetVersion bits 16-23.
// Always returns 0: an installation never fails because of its document types. Every value it
// replaces and every key it creates is recorded for the roll-back (never for the log).
int register_file_type(const std::string& extension, const std::string& description,
                       const std::string& command_program, const std::string& icon,
                       const std::string& executable_name, const std::string& verb_caption,
                       const std::string& verb);
