// The two folder pages: where the programs go, and which start-menu folder gets the shortcuts.
#include "ui/folder_pages.h"
#include <shlobj.h>
#include "core/page_events.h"
#include "core/session.h"
#include "install/target_hold.h"
#include "services/dir_examine.h"
#include "services/special_folders.h"
#include "services/text_rules.h"
#include "ui/dialogs.h"
#include "ui/page_table.h"
#include "ui/toolkit.h"
#include "ui/wizard_window.h"

namespace {

void set_gadgets_disabled(std::initializer_list<int> gadgets, int disabled) {
    for (int gadget : gadgets)
        set_gadget_disabled(gadget, disabled);
}

const std::string kSubFolder = std::string("\\") + kProductFolderName;

// Next on the target page: true when the folder in the field is accepted as the target.
bool accept_target_folder() {
    std::string folder = without_trailing_backslash(read_gadget_text(TargetPathField));
    // An update goes into the recorded folder, which exists by nature: never ask about it.
    bool ask = session.existing_install == 0 && folder_exists(folder);
    if (ask) {
        std::string question = "Das Verzeichnis '" + folder +
                               "' existiert bereits. Möchten Sie die Programme dennoch in dieses "
                               "Verzeichnis installieren?";
        if (message_box("Verzeichnis existiert!", question, kButtonsYesNo) != kAnswerYes) {
            write_gadget_text(TargetPathField, folder + kSubFolder);
            return false;
        }
    }
    session.target_folder = folder;
    // From here on the folder's path is held: a page left open gives nobody time to swap it.
    hold_target_folder(folder);
    return true;
}

// The programs folder of the start menu: the one of all users, else the user's own.
std::string start_menu_base() {
    std::string base = special_folder_path(CSIDL_COMMON_PROGRAMS);
    if (base.empty()) base = special_folder_path(CSIDL_PROGRAMS);
    return base;
}

// False when the start menu cannot be listed.
bool fill_start_menu_list() {
    clear_list(StartMenuFolderList);
    std::string base = start_menu_base();
    // An empty path would list the installer's own folder (relative paths resolve against it)
    // and offer its sub-folders as start-menu folders: no start menu is no start menu.
    if (base.empty() || dir_examine(0, base, "*.*") == 0) return false;
    for (int kind; (kind = dir_next_entry()) != 0;) {
        if (kind != kEntryFolder) continue;
        std::string name = dir_entry_name();
        if (name == "." || name == "..") continue;
        insert_list_item(StartMenuFolderList, -1, name);
    }
    return true;
}

void set_start_menu_choice_enabled(bool enabled) {
    set_gadgets_disabled({StartMenuFolderField, StartMenuFolderList}, enabled ? 0 : 1);
}

} // namespace

void run_target_folder_page() {
    show_page(3);
    write_gadget_text(TargetPathField, session.target_folder);
    set_gadgets_disabled({TargetPathField, BrowseButton}, session.existing_install == 1 ? 1 : 0);
    focus_page(3);

    for (;;) {
        switch (next_page_event()) {
        case BrowseButton: {
            if (session.existing_install == 1) break; // the button is disabled for an update
            std::string chosen = choose_folder("Ordner suchen", read_gadget_text(TargetPathField));
            // The chooser's answer ends in "\", so this names a new folder inside the one picked.
            if (!chosen.empty()) write_gadget_text(TargetPathField, chosen + kProductFolderName);
            break;
        }
        case NextButton:
            if (accept_target_folder()) {
                session.page_index += 1;
                return;
            }
            break;
        case BackButton:
            session.target_folder = without_trailing_backslash(read_gadget_text(TargetPathField));
            session.page_index -= 1;
            return;
        default:
            break;
        }
    }
}

void run_start_menu_page() {
    show_page(4);
    if (!fill_start_menu_list()) {
        message_box("Fehler", "Das Startmenü kann nicht nach Ordnern durchsucht werden.",
                    kButtonsOk);
        session.page_index = 3;
        return;
    }
    write_gadget_text(StartMenuFolderField, session.start_menu_folder);
    // Typing replaces the proposed name.
    SendMessageA(gadget_handle(StartMenuFolderField), EM_SETSEL, 0,
                 static_cast<LPARAM>(session.start_menu_folder.size()));
    bool links = session.make_start_menu_links == 1;
    set_gadget_value(NoShortcutsCheckbox, links ? 0 : 1);
    set_start_menu_choice_enabled(links);
    // After the choice is set: a disabled field cannot take the focus.
    focus_page(4);

    for (;;) {
        switch (next_page_event()) {
        case StartMenuFolderList: {
            std::string picked = read_gadget_text(StartMenuFolderList);
            if (!picked.empty()) write_gadget_text(StartMenuFolderField, picked + kSubFolder);
            break;
        }
        case NoShortcutsCheckbox: {
            bool no_links = gadget_value(NoShortcutsCheckbox) != 0;
            set_start_menu_choice_enabled(!no_links);
            session.make_start_menu_links = no_links ? 0 : 1;
            break;
        }
        case NextButton:
            session.start_menu_folder = read_gadget_text(StartMenuFolderField);
            session.page_index += 1;
            return;
        case BackButton:
            session.start_menu_folder = read_gadget_text(StartMenuFolderField);
            session.page_index -= 1;
            return;
        default:
            break;
        }
    }
}
