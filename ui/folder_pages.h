#pragma once

void run_target_folder_page(); // 3
void run_start_menu_page();    // 4
