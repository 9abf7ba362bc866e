// Document types: which registry values make Explorer open a file extension with one program.
// The installer writes them (install/file_types.h), the uninstaller and the next start's recovery
// read them to know what is the product's; platform-free.
#pragma once
#include <cstdint>
#include <string>
#include <vector>
#include "env/registry.h"

// Where the two layouts put things: the per-user choice of program below HKEY_CURRENT_USER (the
// extension with its dot follows), and the classes below HKEY_LOCAL_MACHINE.
inline constexpr const char* kFileExtsKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.";
inline constexpr const char* kClassesKey = "Software\\Classes\\";
// The application layout's key of the program itself, below HKEY_CLASSES_ROOT.
inline constexpr const char* kApplicationsKey = "Applications\\";
// Suffix of the class key of the application layout (kvf_auto_file).
inline constexpr const char* kAutoClassSuffix = "_auto_file";

// The two document types that the installation registers, with the verb "open".
struct DocumentType {
    const char* extension;
    const char* description;
};
inline constexpr DocumentType kDocumentTypes[2] = {{"kvf", "Kavento-File"},
                                                   {"kve", "Kavento-Export"}};
inline constexpr const char* kOpenVerb = "open";

// One REG_SZ value; its stored size is the text's length + 1 (the zero byte included).
struct FileTypeWrite {
    RegRoot root;
    std::string sub_key;
    std::string value_name; // empty: the key's default value
    std::string data;
};

// Bits 16-23 of the GetVersion value hold the build number's low byte on the NT family; when
// any is set the per-application layout below HKCR/HKCU is used, else the class layout below
// HKLM\Software\Classes. The top bit (the Windows 95 family) is deliberately not consulted.
bool uses_application_layout(uint32_t version);

// The quoted program followed by the quoted document argument: "C:\x y\p.exe" "%1".
std::string file_type_command_text(const std::string& command_program);

// The writes of one registration, in the order they are made. Empty texts count as missing.
std::vector<FileTypeWrite>
file_type_writes(uint32_t version, const std::string& extension, const std::string& description,
                 const std::string& command_program, const std::string& icon,
                 const std::string& executable_name, const std::string& verb_caption,
                 const std::string& verb);
