// The installer session: the one record of the run. Start-up fills it, every page and the
// installation read and write it directly. It lives until the process ends.
#pragma once
#include <cstdint>
#include <deque>
#include <string>
#include <vector>
#include "log/log_lines.h"
#include "log/product.h"

struct InstallerSession {
    void* module_handle = nullptr;
    std::string installer_folder; // ends with "\"
    std::string installer_name;
    std::string version_text;
    int32_t version_number = 0;
    std::string program_files_folder;
    std::string target_folder;
    std::string start_menu_folder;
    std::string windows_name;
    int windows_supported = 0;
    int has_directx7 = 0;
    int has_direct3d = 0;
    uint8_t existing_install = 0;
    uint8_t make_start_menu_links = 0;
    uint8_t make_desktop_link_producer = 0;
    uint8_t make_desktop_link_player = 0;
    int32_t page_index = 0;
    int quit_requested = 0;
    std::deque<UndoAction> undo_list;        // newest action first
    std::vector<std::string> file_name_list; // names of the installed files, payload order
};

extern InstallerSession session;
