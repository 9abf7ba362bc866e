// The wizard's page loop and the pages that only show, hide and check.
#pragma once

void run_page_loop();
void run_welcome_page();      // 0
void run_system_check_page(); // 1
void run_licence_page();      // 2
void run_shortcuts_page();    // 5
// Asks the cancel question; Yes ends the installer through the orderly shutdown.
void confirm_cancel();
// The event rules shared by every page: waits for one event, deals with a close request and
// Cancel (both ask the cancel question), drops clicks on Next, Back and Install while they are
// hidden, and returns the gadget of any other gadget event, or 0.
int next_page_event();
