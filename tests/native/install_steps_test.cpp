#include "check.h"
#include "install/install_steps.h"

static void progress() {
    CHECK_EQ(progress_percent(0), 0);
    CHECK_EQ(progress_percent(1), 5);
    CHECK_EQ(progress_percent(7), 35);
    CHECK_EQ(progress_percent(20), 100);
    // A file list longer than the four files the total assumes never pushes the bar past 100.
    CHECK_EQ(progress_percent(23), 100);
}

static void target_components() {
    auto c = target_folder_components("C:\\Programme\\Kavento-Producer\\");
    CHECK_EQ(c.size(), size_t(2));
    if (c.size() == 2) {
        CHECK_EQ(c[0], std::string("C:\\Programme"));
        CHECK_EQ(c[1], std::string("C:\\Programme\\Kavento-Producer"));
    }
    // The drive root is skipped, also for a target directly below it.
    c = target_folder_components("D:\\Kavento\\");
    CHECK_EQ(c.size(), size_t(1));
    if (c.size() == 1) CHECK_EQ(c[0], std::string("D:\\Kavento"));
    CHECK(target_folder_components("C:\\").empty());
    CHECK(target_folder_components("").empty());
    // Blanks and deep paths: one component per backslash, the last one is the target.
    c = target_folder_components("C:\\Program Files\\A b\\c\\d\\");
    CHECK_EQ(c.size(), size_t(4));
    if (c.size() == 4) CHECK_EQ(c[3], std::string("C:\\Program Files\\A b\\c\\d"));
}

static void folders_for_links() {
    CHECK_EQ(start_menu_folder_path("C:\\ProgramData\\Start Menu\\Programs", "C:\\u\\Programs",
                                    "Kavento-Producer"),
             std::string("C:\\ProgramData\\Start Menu\\Programs\\Kavento-Producer"));
    CHECK_EQ(start_menu_folder_path("", "C:\\u\\Programs", "Kavento"),
             std::string("C:\\u\\Programs\\Kavento"));
    // Never a folder in the root of the current drive.
    CHECK_EQ(start_menu_folder_path("", "", "Kavento"), std::string());
    CHECK_EQ(desktop_folder_path("C:\\users\\Public\\Desktop", "C:\\users\\me\\Desktop"),
             std::string("C:\\users\\Public\\Desktop\\"));
    CHECK_EQ(desktop_folder_path("", "C:\\users\\me\\Desktop"),
             std::string("C:\\users\\me\\Desktop\\"));
    CHECK_EQ(desktop_folder_path("", ""), std::string());
}

static void shortcut_plans() {
    const std::string target = "C:\\P\\K\\";
    auto links = start_menu_shortcuts("C:\\S\\Kavento-Producer\\", target);
    CHECK_EQ(links.size(), size_t(3));
    if (links.size() == 3) {
        CHECK_EQ(links[0].link, std::string("C:\\S\\Kavento-Producer\\Uninstall.lnk"));
        CHECK_EQ(links[0].target, target + "Uninstall.exe");
        CHECK_EQ(links[1].link, std::string("C:\\S\\Kavento-Producer\\Kavento-Player.lnk"));
        CHECK_EQ(links[1].target, target + "Kav-Player.exe");
        CHECK_EQ(links[2].link, std::string("C:\\S\\Kavento-Producer\\Kavento-Producer.lnk"));
        CHECK_EQ(links[2].target, target + "Kav-Producer.exe");
        // The desktop links describe their programs exactly as the start-menu links do.
        CHECK_EQ(desktop_producer_shortcut("C:\\D\\", target).description, links[2].description);
        CHECK_EQ(desktop_player_shortcut("C:\\D\\", target).description, links[1].description);
    }
    CHECK_EQ(desktop_producer_shortcut("C:\\D\\", target).link,
             std::string("C:\\D\\Kavento-Producer.lnk"));
    CHECK_EQ(desktop_player_shortcut("C:\\D\\", target).target, target + "Kav-Player.exe");
}

static void messages() {
    // A folder path keeps its final backslash in the message where it has one.
    auto c = message_target_not_created("C:\\Programme\\Kavento-Producer\\");
    CHECK_EQ(c.text, std::string("Das Verzeichnis 'C:\\Programme\\Kavento-Producer\\' konnte "
                                 "nicht erstellt werden."));
    CHECK_EQ(c.title, std::string("Fehler"));
    CHECK_EQ(message_pack_not_opened("C:\\T\\Kavento.pac").text,
             std::string("Die Datei 'C:\\T\\Kavento.pac' konnte nicht geöffnet werden."));
    auto i = message_key_not_created();
    CHECK_EQ(i.text, std::string("Der Schlüssel HKEY_LOCAL_MACHINE\\SOFTWARE\\Kavento-Producer\\ "
                                 "konnte nicht erstellt werden."));
    CHECK_EQ(i.title, std::string("Fehler beim Erstellen des Schlüssels"));
    // The value name follows the key's backslash directly, without a blank.
    auto k = message_value_not_created("version_number");
    CHECK_EQ(k.text, std::string("Der Eintrag HKEY_LOCAL_MACHINE\\SOFTWARE\\Kavento-Producer\\"
                                 "version_number konnte nicht erstellt werden."));
    CHECK_EQ(k.title, std::string("Fehler beim Erstellen des Registry-Eintrages"));
    auto m = message_shortcut_not_created("C:\\S\\Uninstall.lnk");
    CHECK_EQ(m.text,
             std::string("Die Verknüpfung 'C:\\S\\Uninstall.lnk' konnte nicht erstellt werden."));
    CHECK_EQ(m.title, std::string("Fehler beim Erstellen einer Verknüpfung"));
    auto n = message_log_not_created("C:\\P\\");
    CHECK_EQ(n.text, std::string("Die Datei 'C:\\P\\Uninstall.txt' konnte nicht erstellt werden."));
    CHECK_EQ(n.title, std::string("Fehler beim Erstellen einer Datei"));
}

// The entry of the system's list, for an installation into a folder with blanks.
static void list_entry() {
    auto values = uninstall_entry_values("C:\\Program Files\\Kavento-Producer\\", "1.20.1", 2049);
    const char* expected[][3] = {
        {"DisplayName", "Kavento-Producer und Kavento-Player", "1"},
        {"DisplayVersion", "1.20.1", "1"},
        {"Publisher", "Kavento", "1"},
        {"DisplayIcon", "C:\\Program Files\\Kavento-Producer\\Kav-Producer.exe,0", "1"},
        {"UninstallString", "\"C:\\Program Files\\Kavento-Producer\\Uninstall.exe\"", "1"},
        {"InstallLocation", "C:\\Program Files\\Kavento-Producer", "1"},
        {"EstimatedSize", "2049", "4"},
        {"NoModify", "1", "4"},
        {"NoRepair", "1", "4"},
    };
    CHECK_EQ(values.size(), size_t(9));
    for (size_t i = 0; i < values.size() && i < 9; ++i) {
        CHECK_EQ(std::string(values[i].name), std::string(expected[i][0]));
        CHECK_EQ(std::string(values[i].name), std::string(kEntryValueNames[i]));
        CHECK_EQ(values[i].text, std::string(expected[i][1]));
        CHECK_EQ(std::to_string(values[i].type), std::string(expected[i][2]));
    }
    // Whole kilobytes, rounded up, and never a number that reads back negative.
    CHECK_EQ(size_in_kb(0), 0u);
    CHECK_EQ(size_in_kb(1), 1u);
    CHECK_EQ(size_in_kb(1024), 1u);
    CHECK_EQ(size_in_kb(1025), 2u);
    CHECK_EQ(size_in_kb(uint64_t(5) << 40), 0x7FFFFFFFu);
    // A failure names the entry's key in the words of the product key's.
    CHECK_EQ(message_value_not_created("UninstallString", kUninstallEntryKey).text,
             std::string("Der Eintrag HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\"
                         "CurrentVersion\\Uninstall\\Kavento-Producer\\UninstallString konnte "
                         "nicht erstellt werden."));
    CHECK_EQ(message_key_not_created(kUninstallEntryKey).title,
             std::string("Fehler beim Erstellen des Schlüssels"));
}

int main() {
    progress();
    target_components();
    folders_for_links();
    shortcut_plans();
    messages();
    list_entry();
    return check_report();
}
