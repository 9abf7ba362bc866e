// The uninstaller on a real file system and registry: each kind of removal, a damaged log, and the
// built Uninstall.exe itself answering its message boxes like a user would.
#include <windows.h>
#include <shlobj.h>

#include <string>
#include "check.h"
#include "install/undo.h"
#include "log/product_scope.h"
#include "services/shortcuts.h"
#include "services/special_folders.h"
#include "services/whole_files.h"
#include "test_boxes.h"
#include "test_files.h"
#include "test_linux.h"
#include "uninstall/copy_command.h"
#include "uninstall/restart_deletion.h"
#include "uninstall/uninstall_held.h"
#include "uninstall/uninstall_plan.h"
#include "uninstall/uninstall_report.h"
#include "uninstall/uninstall_run.h"

namespace {

const char* const kTestKey = "SOFTWARE\\KvUninstallTest";
const std::string kProductKey = "SOFTWARE\\Kavento-Producer";

void reg_set(const std::string& key, const std::string& name, const std::string& value) {
    HKEY k;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k,
                        nullptr) != ERROR_SUCCESS)
        return;
    if (!name.empty())
        RegSetValueExA(k, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>(value.size() + 1));
    RegCloseKey(k);
}

bool reg_key_exists(const std::string& key) {
    HKEY k;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS)
        return false;
    RegCloseKey(k);
    return true;
}

bool reg_value_exists(const std::string& key, const std::string& name) {
    HKEY k;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS)
        return false;
    LONG status = RegQueryValueExA(k, name.c_str(), nullptr, nullptr, nullptr, nullptr);
    RegCloseKey(k);
    return status == ERROR_SUCCESS;
}

UninstallStep step(UninstallAction action, const std::string& path, const std::string& name = "") {
    UninstallStep s;
    s.action = action;
    s.path = path;
    s.value_name = name;
    return s;
}

StepOutcome run(UninstallAction action, const std::string& path, const std::string& name = "") {
    return perform_uninstall_step(step(action, path, name));
}

bool same(StepOutcome a, StepOutcome b) {
    return a == b;
}

void file_steps() {
    const std::string base = "C:\\kvun-files";
    CreateDirectoryA(base.c_str(), nullptr);
    const std::string a = base + "\\a.txt";
    write_all(a, "a");
    CHECK(same(run(UninstallAction::kDeleteFile, a), StepOutcome::kRemoved));
    CHECK(!file_exists(a));
    CHECK(same(run(UninstallAction::kDeleteFile, a), StepOutcome::kAlreadyGone));
    CHECK(same(run(UninstallAction::kDeleteFile, base + "\\no\\such.txt"),
               StepOutcome::kAlreadyGone));

    write_all(a, "a");
    SetFileAttributesA(a.c_str(), FILE_ATTRIBUTE_READONLY);
    CHECK(same(run(UninstallAction::kDeleteFile, a), StepOutcome::kRemoved));
    CHECK(!file_exists(a));

    // A file that another program holds open stays and is reported.
    write_all(a, "a");
    HANDLE held = CreateFileA(a.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    CHECK(held != INVALID_HANDLE_VALUE);
    CHECK(same(run(UninstallAction::kDeleteFile, a), StepOutcome::kFailed));
    CHECK(file_exists(a));
    CloseHandle(held);
    CHECK(same(run(UninstallAction::kDeleteFile, a), StepOutcome::kRemoved));

    // A folder where a file was recorded is not touched.
    CreateDirectoryA(a.c_str(), nullptr);
    CHECK(same(run(UninstallAction::kDeleteFile, a), StepOutcome::kFailed));
    CHECK(folder_exists(a));
    RemoveDirectoryA(a.c_str());
    RemoveDirectoryA(base.c_str());
}

void folder_steps() {
    const std::string base = "C:\\kvun-folders";
    CreateDirectoryA(base.c_str(), nullptr);
    const std::string f = base + "\\Kaventos";
    CreateDirectoryA(f.c_str(), nullptr);
    CHECK(same(run(UninstallAction::kDeleteFolder, f), StepOutcome::kRemoved));
    CHECK(!folder_exists(f));
    CHECK(same(run(UninstallAction::kDeleteFolder, f), StepOutcome::kAlreadyGone));

    CreateDirectoryA(f.c_str(), nullptr);
    write_all(f + "\\Mein Vortrag.kvf", "user data");
    CHECK(same(run(UninstallAction::kDeleteFolder, f), StepOutcome::kNotEmpty));
    CHECK(file_exists(f + "\\Mein Vortrag.kvf"));
    DeleteFileA((f + "\\Mein Vortrag.kvf").c_str());

    // An empty sub folder is something the installation did not make either.
    CreateDirectoryA((f + "\\Alt").c_str(), nullptr);
    CHECK(same(run(UninstallAction::kDeleteFolder, f), StepOutcome::kNotEmpty));
    CHECK(folder_exists(f + "\\Alt"));
    RemoveDirectoryA((f + "\\Alt").c_str());

    SetFileAttributesA(f.c_str(), FILE_ATTRIBUTE_READONLY);
    CHECK(same(run(UninstallAction::kDeleteFolder, f), StepOutcome::kRemoved));

    write_all(f, "a file where the folder was");
    CHECK(same(run(UninstallAction::kDeleteFolder, f), StepOutcome::kFailed));
    CHECK(file_exists(f));
    DeleteFileA(f.c_str());
    RemoveDirectoryA(base.c_str());
}

void registry_steps() {
    const std::string key = kTestKey;
    const std::string sub = key + "\\Sub";
    reg_set(key, "a", "1");
    reg_set(key, "b", "2");
    reg_set(sub, "", "");

    CHECK(same(run(UninstallAction::kDeleteRegKey, key), StepOutcome::kNotEmpty));
    CHECK(reg_value_exists(key, "a"));
    CHECK(same(run(UninstallAction::kDeleteRegValue, key, "a"), StepOutcome::kRemoved));
    CHECK(!reg_value_exists(key, "a"));
    CHECK(reg_value_exists(key, "b"));
    CHECK(same(run(UninstallAction::kDeleteRegValue, key, "a"), StepOutcome::kAlreadyGone));
    CHECK(same(run(UninstallAction::kDeleteRegValue, key + "\\Nope", "a"),
               StepOutcome::kAlreadyGone));
    CHECK(same(run(UninstallAction::kDeleteRegValue, key, "b"), StepOutcome::kRemoved));

    // No values left, but a sub key that someone else made: the key stays with it.
    CHECK(same(run(UninstallAction::kDeleteRegKey, key), StepOutcome::kNotEmpty));
    CHECK(reg_key_exists(sub));
    CHECK(same(run(UninstallAction::kDeleteRegKey, sub), StepOutcome::kRemoved));
    CHECK(same(run(UninstallAction::kDeleteRegKey, key), StepOutcome::kRemoved));
    CHECK(!reg_key_exists(key));
    CHECK(same(run(UninstallAction::kDeleteRegKey, key), StepOutcome::kAlreadyGone));
}

void reading_logs() {
    const std::string path = "C:\\kvun-log.txt";
    std::string text = "x";
    DeleteFileA(path.c_str());
    CHECK(!read_whole_file(path, text));
    CHECK(text.empty());
    const std::string bytes("*Delete file: C:\\\xe4\r\n\0zz\n", 21);
    write_all(path, bytes);
    CHECK(read_whole_file(path, text));
    CHECK_EQ(text, bytes);
    write_all(path, "");
    CHECK(read_whole_file(path, text));
    CHECK(text.empty());
    CHECK(!read_whole_file("C:\\", text)); // a folder is no log
    DeleteFileA(path.c_str());
}

DWORD WINAPI close_later(void* handle) {
    Sleep(300);
    CloseHandle(static_cast<HANDLE>(handle));
    return 0;
}

// An installation-shaped folder and its log, with damage: garbage, an empty line, a very long
// line, lines for things already gone, the pack file's line, and a user document.
void damaged_log() {
    const std::string t = "C:\\kvun-target";
    CreateDirectoryA(t.c_str(), nullptr);
    for (const char* d : {"\\Kaventos", "\\Exporte", "\\HTML"})
        CreateDirectoryA((t + d).c_str(), nullptr);
    for (const char* f : {"\\Kav-Player.exe", "\\Kav-Producer.exe", "\\fmod.dll"})
        write_all(t + f, "program");
    write_all(t + "\\Kaventos\\Urlaub.kvf", "the user's own slide show");
    reg_set(kProductKey, "version_string", "1.20.1");
    reg_set(kProductKey, "program_path", t);

    std::string log = "*Delete file: " + t + "\\Uninstall.txt\r\n" +
                      "*Delete file: C:\\kvun-gone\\Kavento-Player.lnk\r\n" +
                      "*Delete reg_value_local_machine: " + kProductKey + "\\program_path\r\n" +
                      "*Delete reg_value_local_machine: " + kProductKey + "\\version_number\r\n" +
                      "*Delete reg_value_local_machine: " + kProductKey + "\\version_string\r\n" +
                      "\x01\x02 garbage\r\n" + "\r\n" +
                      "*Delete reg_key_local_machine: " + kProductKey + "\\\r\n" +
                      "*Delete file: C:\\" + std::string(70000, 'L') + "\r\n" +
                      "*Delete File: C:\\kvun-target\\Kavento.pac\r\n" + "*Delete directory: " + t +
                      "\\HTML\r\n" + "*Delete directory: " + t + "\\Exporte\r\n" +
                      "*Delete directory: " + t + "\\Kaventos\r\n" + "*Delete file: " + t +
                      "\\fmod.dll\r\n" + "*Delete file: " + t + "\\Kav-Producer.exe\r\n" +
                      "*Delete file: " + t + "\\Kav-Player.exe\r\n" + "*Delete directory: " + t;
    write_all(t + "\\Uninstall.txt", log);

    // The player is still running when the uninstallation starts and ends a moment later.
    HANDLE player = CreateFileA((t + "\\Kav-Player.exe").c_str(), GENERIC_READ, 0, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    CHECK(player != INVALID_HANDLE_VALUE);
    HANDLE closer = CreateThread(nullptr, 0, close_later, player, 0, nullptr);

    std::string text;
    CHECK(read_whole_file(t + "\\Uninstall.txt", text));
    UninstallPlan plan = plan_uninstall(text, product_places(t));
    CHECK_EQ(plan.skipped_lines, size_t(2)); // the garbage and the over-long path
    CHECK_EQ(plan.foreign_lines, size_t(1)); // the link outside the start menu
    UninstallRun run = run_uninstall(plan, {}, t + "\\Uninstall.txt", 1000);
    std::vector<StepResult>& results = run.results;
    CHECK(!run.repeatable);
    WaitForSingleObject(closer, INFINITE);
    CloseHandle(closer);

    CHECK(!file_exists(t + "\\Uninstall.txt"));
    CHECK(!file_exists(t + "\\Kav-Player.exe")); // removed on the second try
    CHECK(!file_exists(t + "\\Kav-Producer.exe"));
    CHECK(!file_exists(t + "\\fmod.dll"));
    CHECK(!folder_exists(t + "\\HTML"));
    CHECK(!folder_exists(t + "\\Exporte"));
    CHECK(!reg_key_exists(kProductKey));
    CHECK(file_exists(t + "\\Kaventos\\Urlaub.kvf"));
    CHECK(folder_exists(t + "\\Kaventos"));

    std::string report = uninstall_report_text(results, plan.skipped_lines, "");
    CHECK(report.find("'" + t + "\\Kaventos' (enthält noch andere Dateien)") != std::string::npos);
    CHECK(report.find("'" + t + "' (enthält noch andere Dateien)") != std::string::npos);
    CHECK(report.find("2 Zeilen") != std::string::npos);
    CHECK(report.find("Kav-Player.exe") == std::string::npos);
    CHECK(report.find("kvun-gone") == std::string::npos); // already gone is no failure

    DeleteFileA((t + "\\Kaventos\\Urlaub.kvf").c_str());
    RemoveDirectoryA((t + "\\Kaventos").c_str());
    RemoveDirectoryA(t.c_str());
}

// What is left of the log is put in place by a rename: a link that stands at the log's name is
// replaced, never written through (Wine takes a Linux symbolic link for one).
void remaining_log_replaces_a_link() {
    const std::string t = make_run_folder("kvun-link") + "Kavento";
    CreateDirectoryA(t.c_str(), nullptr);
    const std::string victim = t + "-victim.txt", log = t + "\\Uninstall.txt";
    write_all(victim, "someone else's");
    write_all(t + "\\Kav-Player.exe", "player");
    LinuxRun link =
        run_linux_command("ln -s '" + unix_path(victim) + "' '" + unix_path(log) + "'", 5000);
    CHECK(link.finished && link.status == 0);
    const std::string text =
        "*Delete file: " + t + "\\Kav-Player.exe\r\n*Delete file: " + log + "\r\n";
    // The player is running: its line and the log's own are left.
    HANDLE player = CreateFileA((t + "\\Kav-Player.exe").c_str(), GENERIC_READ, 0, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    UninstallRun run = run_uninstall(plan_uninstall(text, product_places(t)), {}, log, 0);
    CloseHandle(player);
    CHECK_EQ(read_all(victim), std::string("someone else's"));
    CHECK_EQ(read_all(log), text);
    CHECK(!exists(log + kLogTempSuffix));
    CHECK(!run.repeatable); // no Uninstall.exe beside it
}

// --- The built program, driven through its message boxes -----------------------------------

// The uninstaller's copy in the temp folder is not our child: its boxes are looked for in every
// process.
bool answer_and_wait(const FoundBox& box, int button) {
    if (!box.window) return false;
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, box.process);
    PostMessageA(box.window, WM_COMMAND, button, 0);
    if (!process) return false;
    bool ended = WaitForSingleObject(process, 20000) == WAIT_OBJECT_0;
    CloseHandle(process);
    return ended;
}

// command: the whole command line (the program's name first); empty for the name alone.
HANDLE start(const std::string& exe, std::string command = "", bool inherit = false) {
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (command.empty()) command = "\"" + exe + "\"";
    if (!CreateProcessA(exe.c_str(), &command[0], nullptr, nullptr, inherit, 0, nullptr, "C:\\",
                        &si, &pi))
        return nullptr;
    CloseHandle(pi.hThread);
    return pi.hProcess;
}

// The copy folders in the temp folder.
std::string temp_copies() {
    std::string found;
    WIN32_FIND_DATAA e;
    HANDLE f = FindFirstFileA((temp_folder_path() + kCopyFolderPrefix + "*").c_str(), &e);
    if (f == INVALID_HANDLE_VALUE) return found;
    do
        found += std::string(e.cFileName) + ";";
    while (FindNextFileA(f, &e));
    FindClose(f);
    return found;
}

// The folder of the latest copy, from its program waiting beside it, in the temp folder, for its
// deletion at the next restart.
std::string pending_copy_folder() {
    const std::vector<std::string> deleted = pending_restart_deletions();
    if (deleted.empty()) return std::string();
    const std::string& file = deleted.back();
    if (file.size() < 8 || file.compare(0, 4, "\\??\\") != 0 ||
        file.compare(file.size() - 4, 4, ".exe") != 0)
        return std::string();
    return file.substr(4, file.size() - 8);
}

const std::string kTarget = "C:\\Program Files\\Kavento-Producer";

std::string menu_folder() {
    return special_folder_path(CSIDL_COMMON_PROGRAMS) + "\\Kavento-Producer";
}

void install_fake(const std::string& uninstaller) {
    CreateDirectoryA(kTarget.c_str(), nullptr);
    for (const char* d : {"\\Kaventos", "\\Exporte", "\\HTML"})
        CreateDirectoryA((kTarget + d).c_str(), nullptr);
    CopyFileA(uninstaller.c_str(), (kTarget + "\\Uninstall.exe").c_str(), FALSE);
    write_all(kTarget + "\\Kav-Player.exe", "player");
    const std::string menu = menu_folder();
    CreateDirectoryA(menu.c_str(), nullptr);
    const std::string program = kTarget + "\\Uninstall.exe";
    create_shortcut(program, menu + "\\Uninstall.lnk", "", "", "", SW_SHOWNORMAL, 0, program, 0);
    reg_set(kProductKey, "version_string", "1.20.1");
    std::string log;
    for (const std::string& line : {
             std::string(kTagDeleteFile) + kTarget + "\\Uninstall.txt",
             std::string(kTagDeleteFile) + menu + "\\Uninstall.lnk",
             std::string(kTagDeleteRegValue) + kProductKey + "\\version_string",
             std::string(kTagDeleteRegKey) + kProductKey + "\\",
             std::string(kTagDeleteDirectory) + menu,
             std::string(kTagDeleteDirectory) + kTarget + "\\HTML",
             std::string(kTagDeleteDirectory) + kTarget + "\\Exporte",
             std::string(kTagDeleteDirectory) + kTarget + "\\Kaventos",
             std::string(kTagDeleteFile) + kTarget + "\\Uninstall.exe",
             std::string(kTagDeleteFile) + kTarget + "\\Kav-Player.exe",
             std::string(kTagDeleteDirectory) + kTarget,
         })
        log += line + "\r\n";
    write_all(kTarget + "\\Uninstall.txt", log);
}

bool fake_installed() {
    return file_exists(kTarget + "\\Uninstall.exe") && file_exists(kTarget + "\\Uninstall.txt") &&
           file_exists(kTarget + "\\Kav-Player.exe") && folder_exists(kTarget + "\\HTML") &&
           file_exists(menu_folder() + "\\Uninstall.lnk") &&
           reg_value_exists(kProductKey, "version_string");
}

void program_answer_no(const std::string& uninstaller) {
    install_fake(uninstaller);
    std::string copies_before = temp_copies();
    HANDLE p = start(kTarget + "\\Uninstall.exe");
    CHECK(p != nullptr);
    FoundBox box = wait_box(kAnyProcess);
    CHECK_EQ(box.title, std::string(kUninstallTitle));
    CHECK_EQ(box.text, std::string(kUninstallQuestion));
    CHECK(answer_and_wait(box, IDNO));
    if (p) CloseHandle(p);
    CHECK(fake_installed());
    CHECK_EQ(temp_copies(), copies_before);
}

void program_answer_yes(const std::string& uninstaller, bool with_document) {
    install_fake(uninstaller);
    std::string copies_before = temp_copies();
    const std::string doc = kTarget + "\\Kaventos\\Vortrag.kvf";
    if (with_document) write_all(doc, "mine");
    HANDLE p = start(kTarget + "\\Uninstall.exe");
    CHECK(p != nullptr);
    FoundBox question = wait_box(kAnyProcess);
    CHECK_EQ(question.text, std::string(kUninstallQuestion));
    CHECK(answer_and_wait(question, IDYES));
    if (p) CloseHandle(p);

    // The report comes from the copy in the temp folder, after the original has ended.
    FoundBox report = wait_box(kAnyProcess, 30000);
    CHECK_EQ(report.title, std::string(kUninstallTitle));
    CHECK(report.process != question.process);
    if (with_document) {
        CHECK(report.text.find("'" + kTarget + "\\Kaventos' (enthält noch andere Dateien)") !=
              std::string::npos);
        CHECK(report.text.find("'" + kTarget + "' (enthält") != std::string::npos);
    } else {
        CHECK_EQ(report.text, std::string(kUninstallSuccess));
    }
    CHECK(answer_and_wait(report, IDOK));

    CHECK(!file_exists(kTarget + "\\Uninstall.exe"));
    CHECK(!file_exists(kTarget + "\\Uninstall.txt"));
    CHECK(!file_exists(kTarget + "\\Kav-Player.exe"));
    CHECK(!folder_exists(kTarget + "\\HTML"));
    CHECK(!folder_exists(menu_folder()));
    CHECK(folder_exists(special_folder_path(CSIDL_COMMON_PROGRAMS))); // not in the log
    CHECK(!reg_key_exists(kProductKey));
    CHECK_EQ(folder_exists(kTarget), with_document);
    CHECK_EQ(file_exists(doc), with_document);
    // The copy ran from a new folder of its own, which is gone: the program moved out beside it
    // and waits for its deletion at the next restart.
    std::string folder = pending_copy_folder();
    CHECK(is_copy_folder(folder, temp_folder_path()));
    CHECK(!folder_exists(folder));
    CHECK(file_exists(folder + ".exe"));
    CHECK(copies_before.find(folder.substr(temp_folder_path().size())) == std::string::npos);
    if (with_document) {
        DeleteFileA(doc.c_str());
        RemoveDirectoryA((kTarget + "\\Kaventos").c_str());
        RemoveDirectoryA(kTarget.c_str());
    }
}

void program_without_log(const std::string& uninstaller) {
    const std::string folder = "C:\\kvun-nolog";
    CreateDirectoryA(folder.c_str(), nullptr);
    CopyFileA(uninstaller.c_str(), (folder + "\\Uninstall.exe").c_str(), FALSE);
    write_all(folder + "\\Kav-Player.exe", "player");
    HANDLE p = start(folder + "\\Uninstall.exe");
    FoundBox box = wait_box(kAnyProcess);
    CHECK_EQ(box.title, std::string(kUninstallErrorTitle));
    CHECK_EQ(box.text, uninstall_log_missing_text(folder + "\\Uninstall.txt"));
    CHECK(answer_and_wait(box, IDOK));
    if (p) CloseHandle(p);
    CHECK(file_exists(folder + "\\Uninstall.exe"));
    CHECK(file_exists(folder + "\\Kav-Player.exe"));

    // A log with nothing to act on is refused with its own message rather than reported as a
    // success.
    write_all(folder + "\\Uninstall.txt", "nonsense\r\n*Delete File: C:\\x.pac\r\n");
    p = start(folder + "\\Uninstall.exe");
    box = wait_box(kAnyProcess);
    CHECK_EQ(box.title, std::string(kUninstallErrorTitle));
    CHECK_EQ(box.text, uninstall_log_empty_text(folder + "\\Uninstall.txt"));
    CHECK(answer_and_wait(box, IDOK));
    if (p) CloseHandle(p);
    CHECK(file_exists(folder + "\\Uninstall.txt"));
}

// A start-menu folder named in the log is the product's while it holds a link of ours, and also
// once it is empty (its links deleted by hand, or by a run that was cut off): removing an empty
// folder removes nothing. One that holds only another program's file stays refused.
void menu_folder_without_links() {
    const std::string menu = special_folder_path(CSIDL_COMMON_PROGRAMS) + "\\kvun-menu";
    CreateDirectoryA(menu.c_str(), nullptr);
    const ProductPlaces places = product_places("C:\\kvun-menu-target");
    for (bool others_file : {false, true}) {
        if (others_file) write_all(menu + "\\Spiel.lnk", "another program's");
        UninstallPlan plan =
            plan_uninstall(std::string(kTagDeleteDirectory) + menu + "\r\n", places);
        refuse_foreign_links(plan, places);
        CHECK_EQ(plan.foreign_lines, size_t(others_file ? 1 : 0));
        CHECK(plan.steps.at(0).action ==
              (others_file ? UninstallAction::kSkip : UninstallAction::kDeleteFolder));
    }
    DeleteFileA((menu + "\\Spiel.lnk").c_str());
    RemoveDirectoryA(menu.c_str());
}

// A link that a program of the user puts into the held installation folder after the plan was
// made (here: "sys", the system folder) is met on the way and refused: the file behind it stays.
void link_after_plan() {
    const std::string t = "C:\\kvun-linked";
    const std::string victim = "C:\\windows\\system32\\kvun-victim.dll";
    CreateDirectoryA(t.c_str(), nullptr);
    write_all(victim, "system");
    UninstallPlan plan = plan_uninstall(
        std::string(kTagDeleteFile) + t + "\\sys\\kvun-victim.dll\r\n", product_places(t));
    CHECK(hold_installation(t) == InstallationHold::kHeld);
    refuse_linked_steps(plan);
    CHECK_EQ(plan.foreign_lines, size_t(0)); // no link yet
    LinuxRun link = run_linux_command("ln -s ../windows/system32 '" + unix_path(t) + "/sys'", 5000);
    CHECK(link.finished && link.status == 0);
    CHECK(same(perform_uninstall_step(plan.steps.at(0)), StepOutcome::kFailed));
    CHECK(file_exists(victim));
    // Planned now, the line counts as one for something that is not the product's.
    refuse_linked_steps(plan);
    CHECK_EQ(plan.foreign_lines, size_t(1));
    release_installation();
    run_linux_command("rm '" + unix_path(t) + "/sys'", 5000);
    DeleteFileA(victim.c_str());
    RemoveDirectoryA(t.c_str());
}

// A command line of the copy's form from any other program commands nothing: the uninstaller
// asks its question about its own installation as if started plainly, and answered No it carries
// out nothing of the folder named and schedules nothing for the next restart. So with made-up
// handles, and with real ones of the wrong program (an event, and this test's own process).
void program_forged_command(const std::string& uninstaller) {
    install_fake(uninstaller);
    const std::string evil = "C:\\kvun-evil";
    CreateDirectoryA(evil.c_str(), nullptr);
    write_all(evil + "\\victim.txt", "mine");
    write_all(evil + "\\Uninstall.txt", std::string(kTagDeleteFile) + evil + "\\victim.txt\r\n" +
                                            kTagDeleteDirectory + evil + "\r\n");
    SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
    HANDLE event = CreateEventA(&inherited, TRUE, FALSE, nullptr);
    HANDLE self = nullptr;
    DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &self,
                    PROCESS_ALL_ACCESS, TRUE, 0);
    const std::vector<std::string> pending = pending_restart_deletions();
    const std::string copies = temp_copies();
    const std::string program = kTarget + "\\Uninstall.exe";
    for (const std::string& folder : {evil, kTarget}) {
        for (bool real : {false, true}) {
            CopyHandles handles{real ? reinterpret_cast<uintptr_t>(self) : 0,
                                real ? reinterpret_cast<uintptr_t>(event) : 0, 0};
            HANDLE p = start(program, copy_command_line(program, folder, handles), real);
            CHECK(p != nullptr);
            FoundBox box = wait_box(kAnyProcess);
            CHECK_EQ(box.text, std::string(kUninstallQuestion));
            CHECK(answer_and_wait(box, IDNO));
            if (p) CloseHandle(p);
        }
    }
    CHECK(WaitForSingleObject(event, 0) == WAIT_TIMEOUT); // never taken for the original's
    CHECK(file_exists(evil + "\\victim.txt"));
    CHECK(fake_installed());
    CHECK(pending_restart_deletions() == pending);
    CHECK_EQ(temp_copies(), copies);
    CloseHandle(event);
    CloseHandle(self);
    for (const char* f : {"\\victim.txt", "\\Uninstall.txt"})
        DeleteFileA((evil + f).c_str());
    RemoveDirectoryA(evil.c_str());
}

// With TEMP naming a file, no copy can be made there: the uninstaller works from its own folder,
// and its report gives the temp folder as the reason that it stays, not its being in use.
void program_temp_is_file(const std::string& uninstaller) {
    install_fake(uninstaller);
    const std::string file = "C:\\kvun-temp-file";
    write_all(file, "no folder");
    char temp[MAX_PATH] = "", tmp[MAX_PATH] = "";
    GetEnvironmentVariableA("TEMP", temp, MAX_PATH);
    GetEnvironmentVariableA("TMP", tmp, MAX_PATH);
    SetEnvironmentVariableA("TEMP", file.c_str());
    SetEnvironmentVariableA("TMP", file.c_str());
    HANDLE p = start(kTarget + "\\Uninstall.exe");
    SetEnvironmentVariableA("TEMP", temp);
    SetEnvironmentVariableA("TMP", tmp);
    FoundBox question = wait_box(kAnyProcess);
    CHECK_EQ(question.text, std::string(kUninstallQuestion));
    PostMessageA(question.window, WM_COMMAND, IDYES, 0);
    FoundBox report;
    for (DWORD begin = GetTickCount(); GetTickCount() - begin < 30000; Sleep(50))
        if ((report = find_box(kAnyProcess)).window && report.text != kUninstallQuestion) break;
    CHECK(report.text.find("'" + kTarget + "\\Uninstall.exe' (der Ordner für temporäre Dateien '" +
                           file + "' kann nicht benutzt werden)") != std::string::npos);
    CHECK(report.text.find("benutzt?") == std::string::npos);
    CHECK(answer_and_wait(report, IDOK));
    if (p) CloseHandle(p);
    CHECK(file_exists(kTarget + "\\Uninstall.exe"));
    CHECK(!file_exists(kTarget + "\\Kav-Player.exe"));
    for (const char* f : {"\\Uninstall.exe", "\\Uninstall.txt"})
        DeleteFileA((kTarget + f).c_str());
    RemoveDirectoryA(kTarget.c_str());
    DeleteFileA(file.c_str());
}

// The Windows 95 family's deletion at restart, whichever Windows runs the test: WININIT.INI gets
// the file's short path at the end of its [rename] section, and a folder is refused there.
void wininit_deletion() {
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, MAX_PATH);
    const std::string ini = std::string(windows) + "\\" + kWininitName;
    const std::string folder = "C:\\kvun long folder name";
    const std::string file = folder + "\\Kavento-Deinstallation.exe";
    CreateDirectoryA(folder.c_str(), nullptr);
    write_all(file, "copy");
    write_all(ini, "[rename]\r\nNUL=C:\\OLD.TXT\r\n[CombineVxDs]\r\n");
    CHECK(add_wininit_deletion(file));
    char short_path[MAX_PATH] = "";
    GetShortPathNameA(file.c_str(), short_path, MAX_PATH);
    CHECK(std::strchr(short_path, ' ') == nullptr);
    CHECK(std::strlen(short_path) < file.size());
    std::string text;
    CHECK(read_whole_file(ini, text));
    CHECK_EQ(text, "[rename]\r\nNUL=C:\\OLD.TXT\r\nNUL=" + std::string(short_path) +
                       "\r\n[CombineVxDs]\r\n");
    // Without the file there is no short path to give.
    CHECK(!add_wininit_deletion(folder + "\\gone.exe"));
    DeleteFileA(ini.c_str());
    DeleteFileA(file.c_str());
    RemoveDirectoryA(folder.c_str());
}

} // namespace

int main() {
    file_steps();
    folder_steps();
    registry_steps();
    reading_logs();
    damaged_log();
    menu_folder_without_links();
    link_after_plan();
    wininit_deletion();
    remaining_log_replaces_a_link();
    std::string uninstaller = built_file("programs/Uninstall.exe");
    CHECK(file_exists(uninstaller));
    if (file_exists(uninstaller)) {
        program_answer_no(uninstaller);
        program_answer_yes(uninstaller, false);
        program_answer_yes(uninstaller, true);
        program_without_log(uninstaller);
        program_forged_command(uninstaller);
        program_temp_is_file(uninstaller);
    }
    return check_report();
}
