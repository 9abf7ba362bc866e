// The event rules every page shares, and the cancel question.
#include "core/page_events.h"

#include <string>
#include "core/session.h"
#include "core/shutdown.h"
#include "ui/dialogs.h"
#include "ui/toolkit.h"
#include "ui/wizard_window.h"

// The event rules every page shares. Returns the gadget of a gadget event the page has to look
// at, or 0 for an event that is already dealt with (a close request, Cancel, anything else).
int next_page_event() {
    int event = wait_event();
    if (event == EVENT_CLOSE_REQUEST) {
        confirm_cancel();
        return 0;
    }
    if (event != EVENT_GADGET) return 0;
    int gadget = event_source();
    if (gadget == CancelButton) {
        confirm_cancel();
        return 0;
    }
    // Pages react only to the buttons they show. A click that was queued while a button was still
    // on the screen is dropped here once the button is gone, so no page has to list what it hides.
    if ((gadget == NextButton || gadget == BackButton || gadget == InstallButton) &&
        !IsWindowVisible(gadget_handle(gadget)))
        return 0;
    return gadget;
}

void confirm_cancel() {
    std::string question = "Sind Sie sicher, dass Sie die Installation der Programme "
                           "Kavento-Producer " +
                           session.version_text + " und Kavento-Player " + session.version_text +
                           " abbrechen wollen?";
    // No roll-back: a cancel can only come before the installation has written anything, or
    // after it has finished.
    if (message_box(session.installer_name, question, kButtonsYesNo) == kAnswerYes)
        shutdown_and_exit();
}
