#include "ui/wizard_window.h"

#include <richedit.h>

#include "core/session.h"
#include "ui/artwork.h"
#include "ui/licence_text.h"
#include "ui/page_table.h"
#include "ui/pictures.h"
#include "ui/toolkit.h"

namespace {

constexpr char kCR[] = "\r"; // a lone CR starts a new line in a text gadget

void picture_view(int gadget, int x, int y, int width, int height, Picture picture) {
    create_picture_view(gadget, x, y, width, height, picture_handle(picture));
    set_gadget_name(gadget, picture_words(picture));
}

// A result of the system check: a box without words, disabled, and its label beside it, whose
// words are the box's name for screen readers.
void checked_item(int box, int label, int y, const char* text) {
    create_checkbox(box, 40, y, 40, 20, "");
    create_label(label, 60, y + 3, 220, 20, text);
    set_gadget_disabled(box, 1);
    set_gadget_name(box, text);
}

} // namespace

void build_wizard_window() {
    toolkit_init();
    HWND window = open_top_window(kWizardWindow, 0, 0, kWizardClientWidth, kWizardClientHeight,
                                  kCentreOnScreen | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                                  session.installer_name);
    set_gadget_parent(window);

    create_button(NextButton, 280, 324, 80, 24, "Weiter >");
    create_button(CancelButton, 380, 324, 80, 24, "Abbrechen");
    create_button(BackButton, 190, 324, 80, 24, "< Zurück");
    create_button(InstallButton, 280, 324, 80, 24, "Installieren");

    picture_view(WelcomeStripImage, 0, 0, 160, 310, WelcomeStripPicture);
    picture_view(WelcomeImage, 160, 0, 320, 310, WelcomePicture);
    set_page_group_hidden(0, 1);

    picture_view(SystemCheckHeader, 0, 0, 480, 60, SystemCheckHeaderPicture);
    checked_item(OsCheckbox, OsLabel, 80, "Betriebssystem (Windows 98 oder aktueller):");
    create_line_edit(OsNameField, 320, 80, 100, 20, "", kEditReadOnly);
    checked_item(DirectXCheckbox, DirectXLabel, 110, "DirectX 7 oder höher verfügbar");
    checked_item(Direct3DCheckbox, Direct3DLabel, 140, "Direct3D verfügbar");
    checked_item(SystemOkCheckbox, SystemOkLabel, 240,
                 "Der PC erfüllt die Systemvoraussetztungen.");
    set_page_group_hidden(1, 1);

    picture_view(LicenceHeader, 0, 0, 480, 60, LicenceHeaderPicture);
    create_rich_viewer(LicenceText, 20, 80, 440, 188);
    write_gadget_text(LicenceText, kLicenceText);
    // Read-only only after the text is in: a read-only rich edit refuses WM_SETTEXT on some
    // versions.
    if (HWND editor = gadget_handle(LicenceText))
        SendMessageA(editor, EM_SETOPTIONS, ECOOP_OR, ECO_READONLY);
    create_checkbox(LicenceAcceptCheckbox, 20, 285, 440, 20,
                    "Ja, ich akzeptiere die Lizenzbedingungen.");
    set_page_group_hidden(2, 1);
    set_gadget_hidden(BackButton, 1);

    picture_view(TargetHeader, 0, 0, 480, 60, TargetHeaderPicture);
    create_label(TargetInfoText, 20, 80, 440, 60,
                 std::string("Die Programme werden in das unten angegebene Verzeichnis "
                             "installiert. Falls Sie in ein") +
                     kCR +
                     "anderes Verzeichnis installieren möchten, klicken Sie auf Durchsuchen und "
                     "wählen" +
                     kCR +
                     "dann ein anderes Verzeichnis aus. Klicken Sie auf Weiter um fortzufahren.");
    create_group_frame(TargetFrame, 20, 240, 440, 60, "Zielverzeichnis");
    create_line_edit(TargetPathField, 40, 262, 300, 20, "", 0);
    create_button(BrowseButton, 360, 260, 80, 25, "Durchsuchen");
    set_page_group_hidden(3, 1);

    picture_view(StartMenuHeader, 0, 0, 480, 60, StartMenuHeaderPicture);
    create_label(StartMenuInfoText, 20, 80, 440, 40,
                 std::string("Wählen Sie den Startmenü-Ordner für die Programmverknüpfungen aus. "
                             "Falls Sie einen") +
                     kCR + "neuen Ordner erstellen möchten, geben Sie dessen Namen ein.");
    create_line_edit(StartMenuFolderField, 20, 120, 440, 20, "", kEditKeepSelection);
    create_list_box(StartMenuFolderList, 20, 145, 440, 130);
    set_gadget_name(StartMenuFolderList, "Startmenü-Ordner");
    create_checkbox(NoShortcutsCheckbox, 20, 285, 440, 20, "Keine Verknüpfungen erstellen");
    set_page_group_hidden(4, 1);

    picture_view(ShortcutsHeader, 0, 0, 480, 60, ShortcutsHeaderPicture);
    create_group_frame(ShortcutsFrame, 20, 80, 440, 100, "Symbole erstellen ...");
    create_checkbox(DesktopProducerCheckbox, 40, 105, 350, 20,
                    "Verküpfung auf dem Dekstop für den Kavento-Producer anlegen");
    create_checkbox(DesktopPlayerCheckbox, 40, 140, 350, 20,
                    "Verküpfung auf dem Dekstop für den Kavento-Player anlegen");
    set_page_group_hidden(5, 1);
    set_gadget_hidden(InstallButton, 1);

    picture_view(InstallHeader, 0, 0, 480, 60, InstallHeaderPicture);
    create_group_frame(ProgressFrame, 20, 120, 440, 70, "Fortschritt:");
    create_progress_bar(InstallProgressBar, 40, 143, 400, 30, 0, 100);
    set_gadget_name(InstallProgressBar, "Fortschritt:");
    create_checkbox(LaunchProducerCheckbox, 20, 285, 440, 20,
                    "Nach dem Fertigstellen den Kavento-Producer starten");
    set_page_group_hidden(6, 1);

    // The buttons were made first, but the keyboard reaches them last, in the order they stand
    // on the screen: each page's own gadgets, which were made top to bottom, come first.
    for (int button : {BackButton, NextButton, InstallButton, CancelButton})
        move_gadget_to_tab_end(button);
}
