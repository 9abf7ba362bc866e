// The page loop, the pages that only show, hide and check, and the cancel question.
#include "core/page_loop.h"
#include "core/session.h"
#include "core/shutdown.h"
#include "engine/install_page.h"
#include "engine/undo.h"
#include "ui/dialogs.h"
#include "ui/folder_pages.h"
#include "ui/toolkit.h"
#include "ui/wizard_window.h"

namespace {

using PageProcedure = void (*)();

// Indexed by page_index; the installation page is the last one.
constexpr PageProcedure kPages[] = {
    run_welcome_page,    run_system_check_page, run_licence_page, run_target_folder_page,
    run_start_menu_page, run_shortcuts_page,    run_install_page,
};
constexpr int32_t kPageCount = sizeof kPages / sizeof kPages[0];
static_assert(kPageCount == 7, "pages 0 to 6");
constexpr int32_t kFailedInstallation = -1;

void set_group_hidden(std::initializer_list<int> gadgets, int hidden) {
    for (int gadget : gadgets)
        set_gadget_hidden(gadget, hidden);
}

// The gadget groups of the pages, for hiding a neighbour's and showing one's own.
const std::initializer_list<int> kWelcomeGadgets = {WelcomeStripImage, WelcomeImage};
const std::initializer_list<int> kSystemCheckGadgets = {
    SystemCheckHeader, OsCheckbox, OsNameField,  DirectXCheckbox, Direct3DCheckbox,
    SystemOkCheckbox,  OsLabel,    DirectXLabel, Direct3DLabel,   SystemOkLabel};
const std::initializer_list<int> kLicenceGadgets = {LicenceHeader, LicenceText,
                                                    LicenceAcceptCheckbox};
const std::initializer_list<int> kTargetGadgets = {TargetHeader, TargetInfoText, TargetFrame,
                                                   TargetPathField, BrowseButton};
const std::initializer_list<int> kStartMenuGadgets = {StartMenuHeader, StartMenuInfoText,
                                                      StartMenuFolderField, StartMenuFolderList,
                                                      NoShortcutsCheckbox};
const std::initializer_list<int> kShortcutsGadgets = {
    ShortcutsHeader, ShortcutsFrame, DesktopProducerCheckbox, DesktopPlayerCheckbox};

} // namespace

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

void run_page_loop() {
    session.page_index = 0;
    while (session.quit_requested != 1) {
        int32_t page = session.page_index;
        if (page >= 0 && page < kPageCount) {
            kPages[page]();
        } else if (page == kFailedInstallation) {
            message_box("Installation fehlgeschlagen!",
                        "Die Programme konnten nicht vollständig installiert werden.", kButtonsOk);
            undo_rollback();
            session.quit_requested = 1;
        } else {
            session.quit_requested = 1;
        }
    }
}

void run_welcome_page() {
    set_gadget_hidden(BackButton, 1);
    set_group_hidden(kSystemCheckGadgets, 1);
    set_group_hidden(kWelcomeGadgets, 0);
    set_gadget_disabled(NextButton, 0);
    for (;;) {
        if (next_page_event() == NextButton) {
            session.page_index = 1;
            return;
        }
    }
}

void run_system_check_page() {
    set_group_hidden(kWelcomeGadgets, 1);
    set_group_hidden(kLicenceGadgets, 1);
    set_group_hidden(kSystemCheckGadgets, 0);
    set_gadget_hidden(BackButton, 0);
    set_gadget_disabled(NextButton, 0);
    set_gadget_value(OsCheckbox, session.windows_supported);
    write_gadget_text(OsNameField, session.windows_name);
    set_gadget_value(DirectXCheckbox, session.has_directx7);
    set_gadget_value(Direct3DCheckbox, session.has_direct3d);
    bool all_met =
        session.windows_supported == 1 && session.has_directx7 == 1 && session.has_direct3d == 1;
    set_gadget_value(SystemOkCheckbox, all_met ? 1 : 0);
    // A system that lacks something can only go back or cancel.
    if (!all_met) set_gadget_disabled(NextButton, 1);
    for (;;) {
        int gadget = next_page_event();
        if (gadget == NextButton && all_met) {
            session.page_index = 2;
            return;
        }
        if (gadget == BackButton) {
            session.page_index = 0;
            return;
        }
    }
}

void run_licence_page() {
    set_group_hidden(kSystemCheckGadgets, 1);
    set_group_hidden(kTargetGadgets, 1);
    set_group_hidden(kLicenceGadgets, 0);
    for (;;) {
        bool accepted = gadget_value(LicenceAcceptCheckbox) != 0;
        set_gadget_disabled(NextButton, accepted ? 0 : 1);
        int gadget = next_page_event();
        // The button is disabled while the licence is not accepted; a click that was queued
        // before the box was unchecked must not slip through.
        if (gadget == NextButton && gadget_value(LicenceAcceptCheckbox) != 0) {
            session.page_index = 3;
            return;
        }
        if (gadget == BackButton) {
            session.page_index = 1;
            return;
        }
    }
}

void run_shortcuts_page() {
    set_group_hidden(kStartMenuGadgets, 1);
    set_gadget_hidden(NextButton, 1);
    set_gadget_hidden(InstallHeader, 1);
    set_gadget_hidden(LaunchProducerCheckbox, 1);
    set_group_hidden(kShortcutsGadgets, 0);
    set_gadget_hidden(InstallButton, 0);
    set_gadget_value(DesktopProducerCheckbox, session.make_desktop_link_producer);
    set_gadget_value(DesktopPlayerCheckbox, session.make_desktop_link_player);
    for (;;) {
        switch (next_page_event()) {
        case DesktopProducerCheckbox:
            session.make_desktop_link_producer = gadget_value(DesktopProducerCheckbox) ? 1 : 0;
            break;
        case DesktopPlayerCheckbox:
            session.make_desktop_link_player = gadget_value(DesktopPlayerCheckbox) ? 1 : 0;
            break;
        case InstallButton:
            session.page_index = 6;
            return;
        case BackButton:
            session.page_index = 4;
            return;
        default:
            break;
        }
    }
}
