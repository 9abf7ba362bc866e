#include "install/install_steps.h"
#include "core/session.h"
#include "env/registry.h"
#include "install/undo.h"
#include "services/text_rules.h"

namespace {
const char* const kError = "Fehler";
const char* const kProducerDescription = "Programm zum Erstellen von Kawentos und Präsentationen";
const char* const kPlayerDescription =
    "Der Kavento-Player spielt mit dem Kavento-Producer erstellte Kaventos ab";
const char* const kUninstallDescription =
    "Deinstalliert die Programme Kavento-Producer und Kavento-Player";
} // namespace

int progress_percent(int steps_done) {
    int percent = steps_done * 100 / kInstallSteps;
    return percent > 100 ? 100 : percent < 0 ? 0 : percent;
}

std::vector<std::string> target_folder_components(const std::string& target) {
    std::vector<std::string> components;
    // The search starts behind "C:\" so that the drive root itself is never created.
    size_t from = 3;
    while (from < target.size()) {
        size_t cut = target.find('\\', from);
        if (cut == std::string::npos) break;
        components.push_back(target.substr(0, cut));
        from = cut + 1;
    }
    return components;
}

std::string start_menu_folder_path(const std::string& common_programs,
                                   const std::string& user_programs,
                                   const std::string& folder_name) {
    const std::string& programs = common_programs.empty() ? user_programs : common_programs;
    // Without any programs folder the path would become "\name", a folder in the root of
    // whatever drive is current: no path at all is the honest answer.
    if (programs.empty()) return std::string();
    return programs + "\\" + folder_name;
}

std::string desktop_folder_path(const std::string& common_desktop, const std::string& desktop) {
    const std::string& folder = common_desktop.empty() ? desktop : common_desktop;
    return folder.empty() ? std::string() : folder + "\\";
}

ShortcutPlan desktop_producer_shortcut(const std::string& desktop, const std::string& target) {
    return {desktop + "Kavento-Producer.lnk", target + kProducerExe, kProducerDescription};
}

ShortcutPlan desktop_player_shortcut(const std::string& desktop, const std::string& target) {
    return {desktop + "Kavento-Player.lnk", target + kPlayerExe, kPlayerDescription};
}

// The start menu gets the same two program links as the desktop, and the uninstaller's first.
std::vector<ShortcutPlan> start_menu_shortcuts(const std::string& folder,
                                               const std::string& target) {
    return {
        {folder + "Uninstall.lnk", target + kUninstallExe, kUninstallDescription},
        desktop_player_shortcut(folder, target),
        desktop_producer_shortcut(folder, target),
    };
}

std::vector<EntryValue> uninstall_entry_values(const std::string& target,
                                               const std::string& version_text,
                                               uint32_t installed_kb) {
    const std::string folder = without_trailing_backslash(target);
    // The system starts the string as a command line: quoted, a folder with blanks stays whole.
    const std::string uninstaller = "\"" + target + kUninstallExe + "\"";
    return {
        {kEntryValueNames[0], kDisplayName, kRegSz},
        {kEntryValueNames[1], version_text, kRegSz},
        {kEntryValueNames[2], kCompanyName, kRegSz},
        {kEntryValueNames[3], target + kProducerExe + ",0", kRegSz},
        {kEntryValueNames[4], uninstaller, kRegSz},
        {kEntryValueNames[5], folder, kRegSz},
        {kEntryValueNames[6], std::to_string(installed_kb), kRegDword},
        // The programs offer no change and no repair: the list shows only the removal.
        {kEntryValueNames[7], "1", kRegDword},
        {kEntryValueNames[8], "1", kRegDword},
    };
}

uint32_t size_in_kb(uint64_t bytes) {
    const uint64_t kb = bytes / 1024 + (bytes % 1024 != 0 ? 1 : 0);
    return kb > 0x7FFFFFFFu ? 0x7FFFFFFFu : uint32_t(kb);
}

InstallMessage message_pack_not_created(const std::string& pack_path) {
    return {"Die Datei '" + pack_path + "' konnte nicht erstellt werden.", kError};
}

InstallMessage message_pack_not_opened(const std::string& pack_path) {
    return message_file_not_opened(pack_path);
}

InstallMessage message_target_not_created(const std::string& target) {
    return message_folder_not_created(target);
}

InstallMessage message_file_not_created(const std::string& path) {
    return {"Die Datei '" + path + "' konnte nicht erstellt werden.", kError};
}

InstallMessage message_file_not_opened(const std::string& path) {
    return {"Die Datei '" + path + "' konnte nicht geöffnet werden.", kError};
}

InstallMessage message_folder_not_created(const std::string& path) {
    return {"Das Verzeichnis '" + path + "' konnte nicht erstellt werden.", kError};
}

InstallMessage message_key_not_created(const std::string& key) {
    return {"Der Schlüssel HKEY_LOCAL_MACHINE\\" + key + " konnte nicht erstellt werden.",
            "Fehler beim Erstellen des Schlüssels"};
}

InstallMessage message_value_not_created(const std::string& value_name, const std::string& key) {
    return {"Der Eintrag HKEY_LOCAL_MACHINE\\" + key + value_name +
                " konnte nicht erstellt werden.",
            "Fehler beim Erstellen des Registry-Eintrages"};
}

InstallMessage message_shortcut_not_created(const std::string& link) {
    return {"Die Verknüpfung '" + link + "' konnte nicht erstellt werden.",
            "Fehler beim Erstellen einer Verknüpfung"};
}

InstallMessage message_log_not_created(const std::string& target) {
    return {"Die Datei '" + target + kUninstallLogName + "' konnte nicht erstellt werden.",
            "Fehler beim Erstellen einer Datei"};
}

InstallMessage message_installed() {
    return {"Die Programme Kavento-Producer und Kavento-Player wurden erfolgreich installiert!",
            "Erfolgreich installiert"};
}
