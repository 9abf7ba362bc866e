// The page loop and the pages that only show, hide and check.
#include "core/page_loop.h"
#include "core/page_events.h"
#include "core/session.h"
#include "core/shutdown.h"
#include "install/install_page.h"
#include "install/undo.h"
#include "ui/dialogs.h"
#include "ui/folder_pages.h"
#include "ui/page_table.h"
#include "ui/toolkit.h"
#include "ui/wizard_window.h"

namespace {

using PageProcedure = void (*)();

// Indexed by page_index; the installation page is the last one.
constexpr PageProcedure kPages[] = {
    run_welcome_page,    run_system_check_page, run_licence_page, run_target_folder_page,
    run_start_menu_page, run_shortcuts_page,    run_install_page,
};
static_assert(sizeof kPages / sizeof kPages[0] == kPageCount, "one procedure per page");
constexpr int32_t kFailedInstallation = -1;

} // namespace

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
    show_page(0);
    focus_page(0);
    for (;;) {
        if (next_page_event() == NextButton) {
            session.page_index = 1;
            return;
        }
    }
}

void run_system_check_page() {
    show_page(1);
    set_gadget_value(OsCheckbox, session.windows_supported);
    write_gadget_text(OsNameField, session.windows_name);
    set_gadget_value(DirectXCheckbox, session.has_directx7);
    set_gadget_value(Direct3DCheckbox, session.has_direct3d);
    bool all_met =
        session.windows_supported == 1 && session.has_directx7 == 1 && session.has_direct3d == 1;
    set_gadget_value(SystemOkCheckbox, all_met ? 1 : 0);
    // A system that lacks something can only go back or cancel.
    if (!all_met) set_gadget_disabled(NextButton, 1);
    focus_page(1);
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
    show_page(2);
    focus_page(2);
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
    show_page(5);
    set_gadget_value(DesktopProducerCheckbox, session.make_desktop_link_producer);
    set_gadget_value(DesktopPlayerCheckbox, session.make_desktop_link_player);
    focus_page(5);
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
