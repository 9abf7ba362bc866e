// File, folder and program-start services, the folder examination and the special folders,
// against Wine's file system.
#include <windows.h>
#include <shlobj.h>
#include <algorithm>
#include <set>
#include <string>
#include <vector>
#include "check.h"
#include "services/dir_examine.h"
#include "services/file_services.h"
#include "services/path_rules.h"
#include "services/special_folders.h"
#include "services/system_paths.h"
#include "services/text_rules.h"
#include "test_boxes.h"
#include "test_files.h"

namespace {

std::string work; // a fresh folder in the temp folder, ending in "\"

std::string exe_path() {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    return std::string(path, length);
}

void put_file(const std::string& path, const std::string& bytes) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    if (h == INVALID_HANDLE_VALUE) return;
    WriteFile(h, bytes.data(), DWORD(bytes.size()), &written, nullptr);
    CloseHandle(h);
}

std::string get_file(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return "(missing)";
    std::string bytes;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(h, buffer, sizeof buffer, &got, nullptr) && got)
        bytes.append(buffer, got);
    CloseHandle(h);
    return bytes;
}

// Every name of a walked examination, in the order delivered, with the kind as prefix.
std::vector<std::string> walk() {
    std::vector<std::string> names;
    for (int kind; (kind = dir_next_entry()) != 0;)
        names.push_back((kind == kEntryFolder ? "d:" : "f:") + dir_entry_name());
    return names;
}

bool contains(const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

void test_installer_folder() {
    std::string exe = exe_path();
    CHECK_EQ(services_installer_folder(), exe.substr(0, exe.rfind('\\') + 1));
}

void test_writing() {
    std::string path = work + "write.txt";
    CHECK_EQ(file_create(0, path), 1);
    CHECK_EQ(file_write_line(""), 2);
    CHECK_EQ(file_write_line("Tür"), 5);
    const char data[] = "xyz";
    CHECK_EQ(file_write_data(data, 3), 1);
    CHECK_EQ(file_write_data(nullptr, 3), 0);
    CHECK_EQ(file_write_data(data, 0), 0);
    CHECK_EQ(file_size(), 10);
    file_close(0);
    CHECK_EQ(get_file(path), std::string("\r\nTür\r\nxyz"));

    // Creating again empties the file.
    CHECK_EQ(file_create(0, path), 1);
    CHECK_EQ(file_size(), 0);
    file_close(0);
    CHECK_EQ(get_file(path), std::string(""));

    // Opened for reading only, the writes fail and say so.
    put_file(path, "abc");
    CHECK_EQ(file_open_read(0, path), 1);
    CHECK_EQ(file_write_data(data, 3), 0);
    CHECK_EQ(file_write_line("x"), 0);
    file_close(0);
    CHECK_EQ(get_file(path), std::string("abc"));

    // Update appends where the reads left off and keeps the rest.
    put_file(path, "one\r\ntwo\r\n");
    CHECK_EQ(file_open_update(0, path), 1);
    CHECK_EQ(file_read_line(), std::string("one"));
    CHECK_EQ(file_write_line("TWO"), 5);
    file_close(0);
    CHECK_EQ(get_file(path), std::string("one\r\nTWO\r\n"));
}

void test_reading_lines() {
    std::string path = work + "lines.txt";
    put_file(path, std::string("x\r\ny\rz\n", 7));
    CHECK_EQ(file_open_read(0, path), 1);
    CHECK_EQ(file_size(), 7);
    CHECK_EQ(file_read_line(), std::string("x"));
    CHECK_EQ(file_read_line(), std::string("y"));
    CHECK_EQ(file_read_line(), std::string("z"));
    CHECK_EQ(file_read_line(), std::string(""));
    CHECK_EQ(file_read_line(), std::string(""));
    file_close(0);

    // A CR as the last byte, a zero byte, a line with no end.
    file_close(0);
    put_file(path, std::string("a\r", 2));
    file_open_read(0, path);
    CHECK_EQ(file_read_line(), std::string("a"));
    CHECK_EQ(file_read_line(), std::string(""));
    file_close(0);
    put_file(path, std::string("a\0b", 3));
    file_open_read(0, path);
    CHECK_EQ(file_read_line(), std::string("a"));
    CHECK_EQ(file_read_line(), std::string("b"));
    CHECK_EQ(file_read_line(), std::string(""));

    // Line ends on and around the boundaries of the reads inside, and a line that the
    // longest-line rule cuts in two.
    for (size_t length : {510, 511, 512, 513, 1023, 1024}) {
        std::string first(length, 'p');
        file_close(0);
        put_file(path, first + "\r\n" + "second\rthird");
        file_open_read(0, path);
        CHECK_EQ(file_read_line(), first);
        CHECK_EQ(file_read_line(), std::string("second"));
        CHECK_EQ(file_read_line(), std::string("third"));
        CHECK_EQ(file_read_line(), std::string(""));
    }
    file_close(0);
    put_file(path, std::string(kMaxLineLength + 10, 'L') + "\r\nend");
    file_open_read(0, path);
    CHECK_EQ(file_read_line().size(), kMaxLineLength);
    CHECK_EQ(file_read_line(), std::string(10, 'L'));
    CHECK_EQ(file_read_line(), std::string("end"));
    file_close(0);

    // A missing file opened for update is created empty.
    std::string fresh = work + "fresh.txt";
    CHECK_EQ(file_open_update(0, fresh), 1);
    CHECK(exists(fresh));
    CHECK_EQ(file_size(), 0);
    CHECK_EQ(file_read_line(), std::string(""));
    file_close(0);

    // The whole file by its size.
    std::string bytes(3000, '\0');
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = char(i * 7);
    put_file(path, bytes);
    CHECK_EQ(file_open_read(0, path), 1);
    std::string back(size_t(file_size()), '\0');
    CHECK_EQ(file_read_data(&back[0], uint32_t(back.size())), uint32_t(3000));
    CHECK(back == bytes);
    CHECK_EQ(file_read_data(&back[0], 10), uint32_t(0));
    file_close(0);
}

void test_numbers_and_current_file() {
    std::string a = work + "a.txt", b = work + "b.txt";
    put_file(a, "A");
    CHECK_EQ(file_open_read(0, a), 1);
    CHECK_EQ(file_create(1, b), 1);
    CHECK_EQ(file_write_line("B"), 3); // the newest open is current
    file_close(1);
    // Closing the current file leaves none current, though number 0 is still open.
    CHECK_EQ(file_size(), -1);
    CHECK_EQ(file_write_line("lost"), 0);
    CHECK_EQ(file_read_line(), std::string(""));
    char byte;
    CHECK_EQ(file_read_data(&byte, 1), uint32_t(0));
    CHECK_EQ(get_file(b), std::string("B\r\n"));
    CHECK(!DeleteFileA(a.c_str())); // still open under number 0
    file_close(0);
    CHECK(DeleteFileA(a.c_str()));

    // A number that holds a file is freed first, so the same file can be opened for writing.
    put_file(a, "old");
    CHECK_EQ(file_open_read(0, a), 1);
    CHECK_EQ(file_create(0, a), 1);
    CHECK_EQ(file_write_line("new"), 5);
    file_close(0);
    CHECK_EQ(get_file(a), std::string("new\r\n"));

    // A failed open leaves no current file.
    CHECK_EQ(file_open_read(2, b), 1);
    CHECK_EQ(file_open_read(3, work + "missing.txt"), 0);
    CHECK_EQ(file_size(), -1);
    file_close(2);
    CHECK_EQ(file_open_read(-1, b), 0);
    CHECK_EQ(file_create(1 << 30, b), 0);
    file_close(-1);
    file_close(99);

    CHECK_EQ(file_delete(b), 1);
    CHECK_EQ(file_delete(b), 0);
}

void test_folders() {
    std::string top = work + "tree";
    CHECK_EQ(dir_create(top), 1);
    CHECK_EQ(dir_create(top), 0);
    CHECK_EQ(dir_create(top + "\\no\\such"), 0);

    // Empty: removed.
    CHECK_EQ(dir_create(top + "\\empty"), 1);
    CHECK_EQ(dir_delete(top + "\\empty", "*.*"), 1);
    CHECK(!exists(top + "\\empty"));
    // A matching file goes first, then the folder.
    dir_create(top + "\\one");
    put_file(top + "\\one\\f.txt", "f");
    CHECK_EQ(dir_delete(top + "\\one\\", "*.*"), 1);
    CHECK(!exists(top + "\\one"));
    // With a sub folder and no flags, the folder stays.
    dir_create(top + "\\outer");
    dir_create(top + "\\outer\\inner");
    CHECK_EQ(dir_delete(top + "\\outer", "*.*"), 0);
    CHECK(exists(top + "\\outer\\inner"));
    // Only matching entries are deleted; the folder then is not empty and stays.
    put_file(top + "\\outer\\x.tmp", "");
    put_file(top + "\\outer\\keep.txt", "");
    CHECK_EQ(dir_delete_tree(top + "\\outer", "*.tmp", 1), 0);
    CHECK(!exists(top + "\\outer\\x.tmp"));
    CHECK(exists(top + "\\outer\\keep.txt"));
    // A pattern that finds nothing does not even try to remove the folder.
    dir_create(top + "\\bare");
    CHECK_EQ(dir_delete_tree(top + "\\bare", "*.none", 0), 0);
    CHECK(exists(top + "\\bare"));

    // A whole tree with read-only files, folders and a read-only folder: flags 3.
    dir_create(top + "\\outer\\inner\\deep");
    put_file(top + "\\outer\\inner\\ro.txt", "r");
    put_file(top + "\\outer\\inner\\deep\\ro2.txt", "r");
    SetFileAttributesA((top + "\\outer\\inner\\ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    SetFileAttributesA((top + "\\outer\\inner\\deep\\ro2.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    SetFileAttributesA((top + "\\outer\\inner\\deep").c_str(), FILE_ATTRIBUTE_READONLY);
    // Without the attribute reset a read-only file stays, and with it the tree.
    CHECK_EQ(dir_delete_tree(top + "\\outer", "*.*", 1), 0);
    CHECK(exists(top + "\\outer\\inner\\ro.txt"));
    CHECK_EQ(dir_delete_tree(top + "\\outer", "*.*", 3), 1);
    CHECK(!exists(top + "\\outer"));
    CHECK_EQ(dir_delete_tree(top, "", 3), 1);
    CHECK(!exists(top));

    // Paths that do not fit are refused, not overrun.
    CHECK_EQ(dir_delete_tree("", "*.*", 3), 0);
    CHECK_EQ(dir_delete_tree(work + std::string(300, 'x'), "*.*", 3), 0);
    CHECK_EQ(dir_delete_tree(work + std::string(200, 'x'), std::string(100, '*'), 3), 0);
    std::string fits = work + std::string(253 - work.size(), 'w'); // folder text of 254
    CHECK_EQ(dir_create(fits), 1);
    CHECK_EQ(dir_delete(fits, "*"), 0); // search text one byte too long
    CHECK(exists(fits));
    CHECK_EQ(dir_delete(fits, ""), 0); // "*.*": longer still
    RemoveDirectoryA(fits.c_str());
}

void test_examination() {
    std::string empty = work + "empty";
    dir_create(empty);
    CHECK(dir_examine(0, empty, "*.*") != 0);
    std::vector<std::string> names = walk();
    CHECK(names.size() == 2 && contains(names, "d:.") && contains(names, "d:.."));
    CHECK_EQ(dir_next_entry(), 0);
    CHECK_EQ(dir_entry_name(), std::string(""));
    CHECK(dir_examine(0, empty + "\\", "") != 0); // trailing "\" and the default pattern
    CHECK_EQ(walk().size(), size_t(2));
    CHECK(folder_exists(empty));

    CHECK_EQ(dir_examine(0, work + "missing", "*.*"), 0);
    CHECK_EQ(dir_next_entry(), 0);
    CHECK(!folder_exists(work + "missing"));
    put_file(work + "plain.txt", "");
    CHECK_EQ(dir_examine(0, work + "plain.txt", "*.*"), 0);
    CHECK_EQ(dir_next_entry(), 0);
    CHECK_EQ(dir_examine(0, work + std::string(300, 'y'), "*.*"), 0);
    CHECK_EQ(dir_next_entry(), 0);

    // Kinds, and the first entry held back for the first call.
    std::string mixed = work + "mixed";
    dir_create(mixed);
    dir_create(mixed + "\\sub");
    put_file(mixed + "\\file.kvf", "");
    CHECK(dir_examine(0, mixed, "*.*") != 0);
    names = walk();
    CHECK_EQ(names.size(), size_t(4));
    CHECK(contains(names, "d:sub"));
    CHECK(contains(names, "f:file.kvf"));
    CHECK(dir_examine(0, mixed, "*.kvf") != 0);
    CHECK(walk() == std::vector<std::string>{"f:file.kvf"});

    // A second examination abandons the first.
    CHECK(dir_examine(0, mixed, "*.*") != 0);
    CHECK(dir_next_entry() != 0);
    CHECK(dir_examine(0, empty, "*.*") != 0);
    names = walk();
    CHECK_EQ(names.size(), size_t(2));
    CHECK(!contains(names, "d:sub"));

    // The empty path lists the installer folder, whatever the current directory was.
    SetCurrentDirectoryA(work.c_str());
    CHECK(dir_examine(0, "", "*.*") != 0);
    std::string exe = exe_path();
    CHECK(contains(walk(), "f:" + exe.substr(exe.rfind('\\') + 1)));
    dir_examine_shutdown();
    CHECK_EQ(dir_next_entry(), 0);
}

void test_special_folders() {
    CHECK_EQ(special_folder_path(CSIDL_PROGRAM_FILES), std::string("C:\\Program Files"));
    std::string programs = special_folder_path(CSIDL_COMMON_PROGRAMS);
    CHECK(!programs.empty() && programs.back() != '\\');
    CHECK(GetFileAttributesA(programs.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    // A drive root comes back without its backslash too.
    std::string windows = special_folder_path(CSIDL_WINDOWS);
    CHECK_EQ(windows, std::string("C:\\windows"));
    CHECK_EQ(special_folder_path(0x7F), std::string()); // no such folder
}

// Short-form lookups of a volume without short names, which Wine never has: the long form comes
// back, or nothing.
DWORD WINAPI long_form_back(const wchar_t* path, wchar_t* out, DWORD size) {
    DWORD n = DWORD(wcslen(path));
    if (n >= size) return n + 1;
    wcscpy(out, path);
    return n;
}
DWORD WINAPI no_short_form(const wchar_t*, wchar_t*, DWORD) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return 0;
}

void set_user_desktop(const std::wstring& folder) {
    HKEY key;
    const wchar_t* const shell_folders[] = {
        L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
        L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"};
    for (const wchar_t* name : shell_folders) {
        if (RegOpenKeyExW(HKEY_CURRENT_USER, name, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
            continue;
        RegSetValueExW(key, L"Desktop", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                       DWORD((folder.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(key);
    }
}

// The child mode of this program: writes the installer folder it finds into the named file.
int write_installer_folder(const char* marker) {
    services_init();
    put_file(marker, services_installer_folder());
    return 0;
}

// A path that the code page spells stays as it is; one it cannot spell is given with the short
// name of the component it cannot spell; one without a short form is refused. The temp folder,
// a special folder and the program's own folder, named so, come through the same rule.
void test_system_paths() {
    const std::wstring clean = widen(work) + L"Kavento \xe4\xf6\xfc";
    const std::wstring lodz = widen(work) + L"\x141\xf3\x64\x17a"; // "Łódź"
    CreateDirectoryW(clean.c_str(), nullptr);
    CreateDirectoryW(lodz.c_str(), nullptr);
    std::string path;
    CHECK(ansi_path(clean.c_str(), path));
    CHECK_EQ(path, work + "Kavento \xe4\xf6\xfc");
    CHECK(ansi_path(clean.c_str(), path, long_form_back)); // no short form needed
    CHECK_EQ(path, work + "Kavento \xe4\xf6\xfc");

    CHECK(ansi_path(lodz.c_str(), path));
    CHECK(names(path, lodz));
    CHECK_EQ(path.substr(0, work.size()), work); // the long names that the code page spells stay
    path.clear();
    CHECK(!ansi_path(lodz.c_str(), path, long_form_back));
    CHECK(!ansi_path(lodz.c_str(), path, no_short_form));
    CHECK(path.empty());

    // Paths of one place compare in one form: the whole short form of a file that is gone, in
    // that folder, gives the long names back and keeps its own name as written.
    std::string lodz_spelled;
    ansi_path(lodz.c_str(), lodz_spelled);
    wchar_t short_form[MAX_PATH];
    char short_ansi[MAX_PATH];
    GetShortPathNameW(lodz.c_str(), short_form, MAX_PATH);
    WideCharToMultiByte(CP_ACP, 0, short_form, -1, short_ansi, MAX_PATH, nullptr, nullptr);
    std::string compared = std::string(short_ansi) + "\\Gone.txt";
    make_comparable_path(compared);
    CHECK_EQ(compared, lodz_spelled + "\\Gone.txt");

    wchar_t tmp[MAX_PATH] = {};
    GetEnvironmentVariableW(L"TMP", tmp, MAX_PATH);
    SetEnvironmentVariableW(L"TMP", lodz.c_str());
    CHECK(system_temp_folder(path));
    CHECK(names(without_trailing_backslash(path), lodz) && ends_with_backslash(path));
    SetEnvironmentVariableW(L"TMP", tmp[0] ? tmp : nullptr);

    set_user_desktop(lodz);
    CHECK(names(special_folder_path(CSIDL_DESKTOPDIRECTORY), lodz));

    // This program copied into that folder and started from there finds its folder.
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring copy = lodz + L"\\services-test.exe";
    const std::string marker = work + "installer-folder.txt";
    CHECK(CopyFileW(self, copy.c_str(), FALSE));
    std::wstring command = L"\"" + copy + L"\" --write-installer-folder \"" + widen(marker) + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    CHECK(CreateProcessW(copy.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                         &startup, &process));
    WaitForSingleObject(process.hProcess, 20000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    std::string folder = get_file(marker);
    CHECK(names(without_trailing_backslash(folder), lodz) && ends_with_backslash(folder));
}

// The child mode of this program: writes its current directory into the named file.
int write_current_directory(const char* marker) {
    Sleep(300); // so that a caller that does not wait finds no marker yet
    char cwd[MAX_PATH];
    DWORD length = GetCurrentDirectoryA(MAX_PATH, cwd);
    put_file(marker, std::string(cwd, length));
    return 0;
}

void test_run_program() {
    std::string exe = exe_path();
    std::string marker = work + "cwd.txt";
    std::string folder = services_installer_folder();

    // Waiting and hidden; no working folder given: the program's own.
    SetCurrentDirectoryA(work.c_str());
    uintptr_t process = run_program(exe, "--write-cwd \"" + marker + "\"", "", 3);
    CHECK(process != 0);
    CHECK_EQ(get_file(marker), without_trailing_backslash(folder));
    if (process > 1) CloseHandle(HANDLE(process));

    // A given working folder is used.
    DeleteFileA(marker.c_str());
    process = run_program(exe, "--write-cwd \"" + marker + "\"", work, 3);
    CHECK(process != 0);
    CHECK_EQ(get_file(marker), without_trailing_backslash(work));
    if (process > 1) CloseHandle(HANDLE(process));

    // A bare name is found in the installer folder, which becomes current first.
    DeleteFileA(marker.c_str());
    SetCurrentDirectoryA(work.c_str());
    std::string name = exe.substr(exe.rfind('\\') + 1);
    process = run_program(name, "--write-cwd \"" + marker + "\"", "", 3);
    CHECK(process != 0);
    CHECK_EQ(get_file(marker), without_trailing_backslash(folder));
    if (process > 1) CloseHandle(HANDLE(process));

    // Without flag 1 it returns before the program is done.
    DeleteFileA(marker.c_str());
    process = run_program(exe, "--write-cwd \"" + marker + "\"", "", 2);
    CHECK(process > 1);
    CHECK(!exists(marker));
    if (process > 1) {
        CHECK_EQ(WaitForSingleObject(HANDLE(process), 20000), DWORD(WAIT_OBJECT_0));
        CloseHandle(HANDLE(process));
    }
    CHECK(exists(marker));

    // The shell tells the user itself that the program is missing (its own message box).
    DialogAnswerer shell_message(IDOK, 5000);
    CHECK_EQ(run_program(work + "no-such-program.exe", "", "", 1), uintptr_t(0));
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--write-cwd") return write_current_directory(argv[2]);
    if (argc == 3 && std::string(argv[1]) == "--write-installer-folder")
        return write_installer_folder(argv[2]);
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    work = std::string(temp) + "kv-services-test\\";
    dir_delete_tree(work, "*.*", 3);
    CreateDirectoryA(work.c_str(), nullptr);

    services_init();
    test_installer_folder();
    test_writing();
    test_reading_lines();
    test_numbers_and_current_file();
    test_folders();
    test_examination();
    test_special_folders();
    test_system_paths();
    test_run_program();
    services_shutdown();
    return check_report();
}
