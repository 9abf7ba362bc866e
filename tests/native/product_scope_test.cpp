// Which log lines name the product's own, against the places of an installation as a prefix of
// Windows 7 names them, and what a program that can write the log would try instead.
#include "check.h"
#include "log/product.h"
#include "log/product_scope.h"

namespace {

const std::string T = "C:\\Program Files\\Kavento-Producer";
const std::string P = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs";
const std::string UP = "C:\\users\\me\\Start Menu\\Programs";
const std::string D = "C:\\users\\Public\\Desktop";
const std::string UD = "C:\\users\\me\\Desktop";

ProductPlaces places_of(const std::string& installation_folder) {
    ProductPlaces places;
    places.installation_folder = installation_folder;
    places.menu_folders = {P, UP};
    places.desktops = {D, UD};
    places.special_folders = {"C:\\windows",
                              "C:\\windows\\system32",
                              "C:\\Program Files",
                              "C:\\Program Files\\Common Files",
                              "C:\\users\\me",
                              "C:\\users\\me\\Documents",
                              P,
                              P + "\\StartUp",
                              P + "\\Administrative Tools",
                              UP,
                              D,
                              UD};
    return places;
}

struct Case {
    std::string line;
    bool admitted;
};

void check_cases(const ProductPlaces& places, const std::vector<Case>& cases) {
    auto verdict = [](bool admitted) { return admitted ? ": admitted" : ": refused"; };
    for (const Case& c : cases)
        CHECK_EQ(c.line + verdict(is_product_log_line(c.line, places)),
                 c.line + verdict(c.admitted));
}

const std::string F = "*Delete file: ";
const std::string Dir = "*Delete directory: ";
const std::string Key = "*Delete reg_key_local_machine: ";
const std::string Value = "*Delete reg_value_local_machine: ";
const std::string Uninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

void installation_in_program_files() {
    check_cases(places_of(T),
                {
                    // What an installation writes, in the spellings the system accepts for it.
                    {F + T + "\\Kav-Player.exe", true},
                    {F + T + "\\HTML\\index.htm", true},
                    {F + "c:\\program files\\KAVENTO-PRODUCER\\fmod.dll", true},
                    {F + T + ".\\Uninstall.txt", true},
                    {Dir + T, true},
                    {Dir + T + "\\Kaventos", true},
                    {F + P + "\\Kavento-Producer\\Uninstall.lnk", true},
                    {F + UP + "\\Zubeh\xf6r\\Kavento-Producer\\Kavento-Player.lnk", true},
                    {Dir + P + "\\Kavento neu", true},
                    {Dir + P + "\\StartUp\\Kavento-Producer", true},
                    {F + D + "\\Kavento-Producer.lnk", true},
                    {F + UD + "\\kavento-player.lnk", true},
                    {Value + "SOFTWARE\\Kavento-Producer\\version_number", true},
                    {Value + "software\\kavento-producer\\Sub\\x", true},
                    {Key + "SOFTWARE\\Kavento-Producer\\", true},
                    {Key + kUninstallEntryKey, true},
                    {Key + Uninstall + "\\kavento-producer", true},
                    // What another program might write into the log.
                    {F + "C:\\users\\me\\Documents\\Brief.doc", false},
                    {F + "C:\\windows\\win.ini", false},
                    {Dir + "C:\\users\\me\\Leer", false},
                    {Value + "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\\Kavento", false},
                    {Key + "SOFTWARE\\", false},
                    // Of the system's list only the product's own entry, as one key.
                    {Key + kUninstallEntryKey + "Sub\\", false},
                    {Key + Uninstall + "\\Kavento-Producer2\\", false},
                    {Key + Uninstall + "\\", false},
                    {Value + kUninstallEntryKey + "UninstallString", false},
                    {Key + "SOFTWARE\\Kavento-Producer2\\", false},
                    {Value + "SOFTWARE\\Kavento-ProducerX\\version_number", false},
                    {Dir + P + "\\StartUp", false},
                    {Dir + P + "\\startup.", false},
                    {Dir + P + "\\Administrative Tools", false},
                    {Dir + P, false},
                    {Dir + "C:\\ProgramData\\Microsoft\\Windows\\Start Menu", false},
                    {Dir + "C:\\Program Files", false},
                    {Dir + "C:\\Program Files\\Other", false},
                    {F + "C:\\Program Files\\Other\\Uninstall.exe", false},
                    {F + "C:\\Program Files\\Kavento-Producer2\\x.exe", false},
                    {F + T, false},
                    {F + P + "\\Word.lnk", false},
                    {F + P + "\\Uninstall.lnk", false},
                    {F + P + "\\Other\\Other.lnk", false},
                    {F + D + "\\Uninstall.lnk", false},
                    {F + D + "\\Sub\\Kavento-Player.lnk", false},
                    {F + D, false},
                    {F + "C:\\users\\Public\\Desktop2\\Kavento-Player.lnk", false},
                    // Devices are no files of anybody's, wherever they stand.
                    {F + T + "\\CON", false},
                    {F + T + "\\nul.txt", false},
                    {F + T + "\\HTML\\Com1 .htm", false},
                    {F + "C:\\windows\\CON", false},
                    {F + "\\\\server\\share\\Kavento-Producer\\x", false},
                    {std::string("*Delete File: ") + T + "\\Kavento.pac", false},
                });
}

// A user who installed into the profile: the documents in it are still not the product's.
void installation_in_the_profile() {
    check_cases(places_of("C:\\users\\me"), {
                                                {F + "C:\\users\\me\\Kav-Player.exe", true},
                                                {Dir + "C:\\users\\me\\HTML", true},
                                                {F + "C:\\users\\me\\Documents\\Brief.doc", false},
                                                {Dir + "C:\\users\\me\\Documents", false},
                                                {F + UD + "\\notes.txt", false},
                                                {Dir + "C:\\users\\me", false},
                                            });
}

// An installation folder that names no folder admits nothing of the file system.
void unknown_installation_folder() {
    for (const char* folder : {"", "C:", "C:\\", "Kavento", "C:\\x\\..\\windows"})
        check_cases(places_of(folder),
                    {
                        {F + "C:\\windows\\win.ini", false},
                        {F + "C:\\x\\Kav-Player.exe", false},
                        {F + P + "\\Kavento-Producer\\Uninstall.lnk", true},
                        {Value + "SOFTWARE\\Kavento-Producer\\version_number", true},
                    });
}

} // namespace

int main() {
    installation_in_program_files();
    installation_in_the_profile();
    unknown_installation_folder();
    return check_report();
}
