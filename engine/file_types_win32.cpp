#include <windows.h>
#include "engine/file_types.h"

int register_file_type(const std::string& extension, const std::string& description,
                       const std::string& command_program, const std::string& icon,
                       const std::string& executable_name, const std::string& verb_caption,
                       const std::string& verb) {
    for (const FileTypeWrite& w :
         file_type_writes(GetVersion(), extension, description, command_program, icon,
                          executable_name, verb_caption, verb))
        reg_write_value(w.root, w.sub_key, w.value_name, kRegSz, w.data.c_str(),
                        uint32_t(w.data.size() + 1));
    return 0;
}
