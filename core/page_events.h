// What every page of the wizard waits for: its next event, with Cancel and the close box asking
// the cancel question.
#pragma once

// Asks the cancel question; Yes ends the installer through the orderly shutdown.
void confirm_cancel();
// The event rules shared by every page: waits for one event, deals with a close request and
// Cancel (both ask the cancel question), drops clicks on Next, Back and Install while they are
// hidden, and returns the gadget of any other gadget event, or 0.
int next_page_event();
