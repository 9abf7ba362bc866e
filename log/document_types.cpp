#include "log/document_types.h"

bool uses_application_layout(uint32_t version) {
    return (version & 0x00FF0000u) != 0;
}

std::string file_type_command_text(const std::string& command_program) {
    return "\"" + command_program + "\" \"%1\"";
}

std::vector<FileTypeWrite>
file_type_writes(uint32_t version, const std::string& extension, const std::string& description,
                 const std::string& command_program, const std::string& icon,
                 const std::string& executable_name, const std::string& verb_caption,
                 const std::string& verb) {
    const std::string command = file_type_command_text(command_program);
    std::vector<FileTypeWrite> writes;
    if (uses_application_layout(version)) {
        const std::string class_key = extension + kAutoClassSuffix;
        writes.push_back({kHkeyClassesRoot,
                          kApplicationsKey + executable_name + "\\shell\\" + verb + "\\command", "",
                          command});
        if (!description.empty()) {
            writes.push_back({kHkeyClassesRoot, "." + extension, "", class_key});
            writes.push_back({kHkeyClassesRoot, class_key, "", description});
            if (!icon.empty())
                writes.push_back({kHkeyClassesRoot, class_key + "\\DefaultIcon", "", icon});
        }
        writes.push_back({kHkeyCurrentUser, std::string(kFileExtsKey) + extension, "Application",
                          executable_name});
    } else {
        const std::string class_key = std::string(kClassesKey) + executable_name;
        writes.push_back(
            {kHkeyLocalMachine, std::string(kClassesKey) + "." + extension, "", executable_name});
        if (!description.empty()) writes.push_back({kHkeyLocalMachine, class_key, "", description});
        if (!icon.empty())
            writes.push_back({kHkeyLocalMachine, class_key + "\\DefaultIcon", "", icon});
        if (!verb_caption.empty() && verb_caption != verb)
            writes.push_back({kHkeyLocalMachine, class_key + "\\shell\\" + verb, "", verb_caption});
        writes.push_back(
            {kHkeyLocalMachine, class_key + "\\shell\\" + verb + "\\command", "", command});
    }
    return writes;
}
