// The wizard's page loop and the pages that only show, hide and check.
#pragma once

void run_page_loop();
void run_welcome_page();      // 0
void run_system_check_page(); // 1
void run_licence_page();      // 2
void run_shortcuts_page();    // 5
