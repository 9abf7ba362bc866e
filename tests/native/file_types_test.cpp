#include <algorithm>

#include "check.h"
#include "install/file_types.h"
#include "uninstall/uninstall_file_types.h"

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

// --- What the uninstaller removes again -------------------------------------------------------

namespace {
const std::string kTarget = "C:\\Program Files\\Kavento-Producer";

// The registry after the installation's two registrations, as the uninstaller reads it.
std::vector<RegistryReading> installed(uint32_t version) {
    std::vector<RegistryReading> now;
    for (const DocumentType& type : kDocumentTypes)
        for (const FileTypeWrite& w :
             file_type_writes(version, type.extension, type.description, kProgram, kProgram,
                              "Kav-Player.exe", kOpenVerb, kOpenVerb))
            now.push_back({w.root, w.sub_key, w.value_name, true, w.data});
    return now;
}

void set(std::vector<RegistryReading>& now, RegRoot root, const std::string& key,
         const std::string& text) {
    for (RegistryReading& r : now)
        if (r.root == root && r.key == key && r.name.empty()) {
            r.text = text;
            return;
        }
    now.push_back({root, key, "", true, text});
}

bool removes_value(const std::vector<UninstallStep>& steps, RegRoot root, const std::string& key,
                   const std::string& name) {
    for (const UninstallStep& s : steps)
        if (s.action == UninstallAction::kDeleteRegValue && s.root == root && s.path == key &&
            s.value_name == name)
            return true;
    return false;
}

size_t value_removals(const std::vector<UninstallStep>& steps) {
    size_t n = 0;
    for (const UninstallStep& s : steps)
        n += s.action == UninstallAction::kDeleteRegValue;
    return n;
}

const std::string kFileExts = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\";
} // namespace

// Everything that either layout wrote goes again: each value once, every key it lies in after
// all values, innermost first; and the uninstaller reads every one of them.
static void removal_of_both_layouts() {
    std::vector<RegistryReading> readings = file_type_readings();
    for (uint32_t version : {kWin7, kWin98}) {
        std::vector<RegistryReading> now = installed(version);
        std::vector<UninstallStep> steps = file_type_removals(now, kTarget);
        size_t distinct = 0;
        for (size_t i = 0; i < now.size(); ++i) {
            const RegistryReading& w = now[i];
            CHECK(removes_value(steps, w.root, w.key, w.name));
            auto same_value = [&w](const RegistryReading& r) {
                return r.root == w.root && r.key == w.key && r.name == w.name;
            };
            CHECK(std::any_of(readings.begin(), readings.end(), same_value));
            distinct += std::none_of(now.begin(), now.begin() + i, same_value);
            // The key is pruned, after the last value removal.
            size_t last_value = 0, prune = 0;
            for (size_t k = 0; k < steps.size(); ++k) {
                if (steps[k].action == UninstallAction::kDeleteRegValue) last_value = k;
                if (steps[k].action == UninstallAction::kPruneRegKey && steps[k].root == w.root &&
                    steps[k].path == w.key)
                    prune = k;
            }
            CHECK(prune > last_value);
        }
        CHECK_EQ(value_removals(steps), distinct);
        // The same documents' types, registered by an installation in another folder, stay.
        CHECK_EQ(value_removals(file_type_removals(now, "C:\\Andere")), size_t(0));
        // Paths are compared as the system compares them.
        CHECK_EQ(value_removals(file_type_removals(now, "c:\\PROGRAM FILES\\kavento-producer.")),
                 distinct);
    }
    // Nothing there, nothing to remove; only empty keys would be tidied.
    CHECK_EQ(value_removals(file_type_removals({}, kTarget)), size_t(0));
}

// The user has given an extension to another program: that association stays whole.
static void associations_of_other_programs() {
    const std::string other = "\"C:\\Betrachter\\Betrachter.exe\" \"%1\"";
    // Application layout: .kvf now names another class, kve_auto_file opens another program.
    std::vector<RegistryReading> now = installed(kWin7);
    set(now, kHkeyClassesRoot, ".kvf", "Betrachter.Datei");
    set(now, kHkeyClassesRoot, "kve_auto_file\\shell\\open\\command", other);
    std::vector<UninstallStep> steps = file_type_removals(now, kTarget);
    CHECK(!removes_value(steps, kHkeyClassesRoot, ".kvf", ""));
    CHECK(removes_value(steps, kHkeyClassesRoot, "kvf_auto_file", ""));
    CHECK(removes_value(steps, kHkeyClassesRoot, "kvf_auto_file\\DefaultIcon", ""));
    CHECK(!removes_value(steps, kHkeyClassesRoot, ".kve", ""));
    CHECK(!removes_value(steps, kHkeyClassesRoot, "kve_auto_file", ""));
    CHECK(!removes_value(steps, kHkeyClassesRoot, "kve_auto_file\\DefaultIcon", ""));
    CHECK(!removes_value(steps, kHkeyClassesRoot, "kve_auto_file\\shell\\open\\command", ""));
    // The per-user entries name this installation's player: they go.
    CHECK(removes_value(steps, kHkeyCurrentUser, kFileExts + ".kvf", "Application"));
    CHECK(removes_value(steps, kHkeyCurrentUser, kFileExts + ".kve", "Application"));

    // The program's own key now starts another Kav-Player.exe: it and the per-user entries that
    // lead to it stay.
    now = installed(kWin7);
    set(now, kHkeyClassesRoot, "Applications\\Kav-Player.exe\\shell\\open\\command",
        "\"D:\\Kav-Player.exe\" \"%1\"");
    steps = file_type_removals(now, kTarget);
    CHECK(!removes_value(steps, kHkeyClassesRoot,
                         "Applications\\Kav-Player.exe\\shell\\open\\command", ""));
    CHECK(!removes_value(steps, kHkeyCurrentUser, kFileExts + ".kvf", "Application"));
    CHECK(removes_value(steps, kHkeyClassesRoot, ".kvf", ""));

    // Class layout: the class opens another program, so both extensions keep naming it.
    now = installed(kWin98);
    set(now, kHkeyLocalMachine, "Software\\Classes\\Kav-Player.exe\\shell\\open\\command", other);
    CHECK_EQ(value_removals(file_type_removals(now, kTarget)), size_t(0));
    // Or one extension names another class: only that one stays.
    now = installed(kWin98);
    set(now, kHkeyLocalMachine, "Software\\Classes\\.kve", "Betrachter.Datei");
    steps = file_type_removals(now, kTarget);
    CHECK(!removes_value(steps, kHkeyLocalMachine, "Software\\Classes\\.kve", ""));
    CHECK(removes_value(steps, kHkeyLocalMachine, "Software\\Classes\\.kvf", ""));
    CHECK(removes_value(steps, kHkeyLocalMachine, "Software\\Classes\\Kav-Player.exe", ""));
    // A command of another form (no quotes, other argument) is not ours either.
    for (const char* command :
         {"C:\\Program Files\\Kavento-Producer\\Kav-Player.exe \"%1\"",
          "\"C:\\Program Files\\Kavento-Producer\\Kav-Player.exe\" /play \"%1\"",
          "\"C:\\Program Files\\Kavento-Producer\\Kav-Player.exe\" \"%1\" ", "\"\" \"%1\""})
        CHECK(!is_command_for(command, kProgram));
    CHECK(is_command_for(kCommand, kProgram));
}

int main() {
    layout_choice();
    command_text();
    application_layout();
    class_layout();
    removal_of_both_layouts();
    associations_of_other_programs();
    return check_report();
}
