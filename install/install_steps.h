// The platform-free rules of the installation page: progress, the folders that step 3 creates,
// where the shortcuts go, and the exact texts of the failure messages.
#pragma once
#include <cstdint>
#include <string>
#include <vector>
#include "log/product.h"

inline constexpr int kInstallSteps = 20;
// The document folders, created in this order by steps 9 to 11.
inline constexpr const char* kDocumentFolders[3] = {"Kaventos", "Exporte", "HTML"};

// The bar's value after the given number of steps (0 to 100; a longer file list stops at 100).
int progress_percent(int steps_done);

// The folders that make up target (which ends in "\"), from the top down, each without its final
// "\". The drive root ("C:\") is never among them; the last one is target itself.
std::vector<std::string> target_folder_components(const std::string& target);

// The start-menu folder: the common programs folder, or the user's when that one is unknown,
// then "\" and the chosen name. Empty when neither programs folder is known.
std::string start_menu_folder_path(const std::string& common_programs,
                                   const std::string& user_programs,
                                   const std::string& folder_name);
// The common desktop, or the user's desktop when that one is unknown, with a final "\".
// Empty when neither is known.
std::string desktop_folder_path(const std::string& common_desktop, const std::string& desktop);

struct ShortcutPlan {
    std::string link;        // full path of the .lnk file
    std::string target;      // the program it starts; also its icon
    std::string description; // tool tip
};
// The three start-menu links, in the order they are made; folder ends in "\".
std::vector<ShortcutPlan> start_menu_shortcuts(const std::string& folder,
                                               const std::string& target);
ShortcutPlan desktop_producer_shortcut(const std::string& desktop, const std::string& target);
ShortcutPlan desktop_player_shortcut(const std::string& desktop, const std::string& target);

struct EntryValue {
    const char* name;
    std::string text; // a DWORD as its decimal text, as reg_set_value takes it
    uint32_t type;    // kRegSz or kRegDword
};
// The entry of an installation in target (which ends in "\") of installed_kb kilobytes.
std::vector<EntryValue> uninstall_entry_values(const std::string& target,
                                               const std::string& version_text,
                                               uint32_t installed_kb);
// Bytes as whole kilobytes, rounded up. Held below 2^31: the value is written from its signed
// decimal text.
uint32_t size_in_kb(uint64_t bytes);

struct InstallMessage {
    std::string text;
    std::string title;
};
InstallMessage message_pack_not_created(const std::string& pack_path); // A
InstallMessage message_pack_not_opened(const std::string& pack_path);  // B
InstallMessage message_target_not_created(const std::string& target);  // C
InstallMessage message_file_not_created(const std::string& path);      // D, F
InstallMessage message_file_not_opened(const std::string& path);       // E
InstallMessage message_folder_not_created(const std::string& path);    // G, H
// I, J, K, L: the product key's, or those of another key (the list entry's) in the same words.
InstallMessage message_key_not_created(const std::string& key = kProductKey);
InstallMessage message_value_not_created(const std::string& value_name,
                                         const std::string& key = kProductKey);
InstallMessage message_shortcut_not_created(const std::string& link); // M
InstallMessage message_log_not_created(const std::string& target);    // N
InstallMessage message_installed();
