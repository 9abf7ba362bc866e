#include "check.h"
#include "engine/file_types.h"

namespace {
const uint32_t kWin7 = 0x1DB10106;  // 6.1 build 7601: bits 16-23 = 0xB1
const uint32_t kWin98 = 0xC0000A04; // 4.10, Windows 95 family bit set, build byte zero
const std::string kProgram = "C:\\Program Files\\Kavento-Producer\\Kav-Player.exe";

std::vector<FileTypeWrite> kvf(uint32_t version, const std::string& description = "Kavento-File",
                               const std::string& icon = kProgram,
                               const std::string& caption = "open") {
    return file_type_writes(version, "kvf", description, kProgram, icon, "Kav-Player.exe", caption,
                            "open");
}

void expect_write(const FileTypeWrite& w, RegRoot root, const std::string& key,
                  const std::string& name, const std::string& data) {
    CHECK_EQ(w.root, root);
    CHECK_EQ(w.sub_key, key);
    CHECK_EQ(w.value_name, name);
    CHECK_EQ(w.data, data);
}

const std::string kCommand = "\"C:\\Program Files\\Kavento-Producer\\Kav-Player.exe\" \"%1\"";
} // namespace

static void layout_choice() {
    CHECK(uses_application_layout(kWin7));
    CHECK(!uses_application_layout(kWin98));
    // The family bit alone never selects the application layout, and a single build bit does.
    CHECK(!uses_application_layout(0x80000004));
    CHECK(uses_application_layout(0x80010004));
    CHECK(uses_application_layout(0x00800005));
    // NT builds that are multiples of 256 have a zero low byte: class layout.
    CHECK(!uses_application_layout(0x0A000006));
}

static void command_text() {
    // Blanks in the program path stay inside the quotes; the document is one quoted argument.
    CHECK_EQ(file_type_command_text("C:\\a b\\p.exe"), std::string("\"C:\\a b\\p.exe\" \"%1\""));
    CHECK_EQ(file_type_command_text(""), std::string("\"\" \"%1\""));
}

static void application_layout() {
    auto w = kvf(kWin7);
    CHECK_EQ(w.size(), size_t(5));
    if (w.size() != 5) return;
    expect_write(w[0], kHkeyClassesRoot, "Applications\\Kav-Player.exe\\shell\\open\\command", "",
                 kCommand);
    expect_write(w[1], kHkeyClassesRoot, ".kvf", "", "kvf_auto_file");
    expect_write(w[2], kHkeyClassesRoot, "kvf_auto_file", "", "Kavento-File");
    expect_write(w[3], kHkeyClassesRoot, "kvf_auto_file\\DefaultIcon", "", kProgram);
    expect_write(w[4], kHkeyCurrentUser,
                 "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.kvf",
                 "Application", "Kav-Player.exe");

    // No description: only the command key and the per-user entry, the icon goes with it.
    auto bare = kvf(kWin7, "");
    CHECK_EQ(bare.size(), size_t(2));
    if (bare.size() == 2) {
        CHECK_EQ(bare[0].sub_key, w[0].sub_key);
        CHECK_EQ(bare[1].root, kHkeyCurrentUser);
    }
    // No icon: everything but DefaultIcon.
    auto no_icon = kvf(kWin7, "Kavento-File", "");
    CHECK_EQ(no_icon.size(), size_t(4));
    for (const auto& x : no_icon)
        CHECK(x.sub_key.find("DefaultIcon") == std::string::npos);
    // The application layout never writes a verb caption, even a differing one.
    auto captioned = kvf(kWin7, "Kavento-File", kProgram, "Öffnen");
    CHECK_EQ(captioned.size(), size_t(5));
    for (const auto& x : captioned)
        CHECK(x.data != "Öffnen");
    // The second document type rewrites the same command key with the same data.
    auto kve = file_type_writes(kWin7, "kve", "Kavento-Export", kProgram, kProgram,
                                "Kav-Player.exe", "open", "open");
    CHECK_EQ(kve.size(), size_t(5));
    if (kve.size() == 5) {
        CHECK_EQ(kve[0].sub_key, w[0].sub_key);
        CHECK_EQ(kve[0].data, w[0].data);
        CHECK_EQ(kve[2].sub_key, std::string("kve_auto_file"));
        CHECK_EQ(kve[2].data, std::string("Kavento-Export"));
    }
}

static void class_layout() {
    auto w = kvf(kWin98);
    CHECK_EQ(w.size(), size_t(4));
    if (w.size() != 4) return;
    expect_write(w[0], kHkeyLocalMachine, "Software\\Classes\\.kvf", "", "Kav-Player.exe");
    expect_write(w[1], kHkeyLocalMachine, "Software\\Classes\\Kav-Player.exe", "", "Kavento-File");
    expect_write(w[2], kHkeyLocalMachine, "Software\\Classes\\Kav-Player.exe\\DefaultIcon", "",
                 kProgram);
    expect_write(w[3], kHkeyLocalMachine, "Software\\Classes\\Kav-Player.exe\\shell\\open\\command",
                 "", kCommand);
    for (const auto& x : w)
        CHECK_EQ(x.root, kHkeyLocalMachine);

    // Each empty text suppresses only its own write.
    auto no_icon = kvf(kWin98, "Kavento-File", "");
    CHECK_EQ(no_icon.size(), size_t(3));
    for (const auto& x : no_icon)
        CHECK(x.sub_key.find("DefaultIcon") == std::string::npos);
    auto no_description = kvf(kWin98, "");
    CHECK_EQ(no_description.size(), size_t(3));
    if (no_description.size() == 3)
        CHECK_EQ(no_description[1].sub_key,
                 std::string("Software\\Classes\\Kav-Player.exe\\DefaultIcon"));

    // A caption differing from the verb is written before the command, case-sensitively.
    auto captioned = kvf(kWin98, "Kavento-File", kProgram, "Open");
    CHECK_EQ(captioned.size(), size_t(5));
    if (captioned.size() == 5) {
        expect_write(captioned[3], kHkeyLocalMachine,
                     "Software\\Classes\\Kav-Player.exe\\shell\\open", "", "Open");
        CHECK_EQ(captioned[4].data, kCommand);
    }
    // An empty caption counts as missing: no empty caption value.
    CHECK_EQ(kvf(kWin98, "Kavento-File", kProgram, "").size(), size_t(4));
}

int main() {
    layout_choice();
    command_text();
    application_layout();
    class_layout();
    return check_report();
}
