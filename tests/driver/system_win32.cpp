// The driver's commands for the system around the program: files and folders, registry values,
// shell links and special folders, to prepare a scenario and to check what the program left.
#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "driver/driver.h"
#include "driver/snapshot.h"
#include "driver/words.h"
#include "win32/test_linux.h"

bool read_whole_file(const std::string& path, std::string& content) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return fail("cannot read " + show_text(path) + ": error " + number_text(GetLastError()));
    content.clear();
    char buf[65536];
    DWORD got;
    while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got > 0)
        content.append(buf, got);
    CloseHandle(h);
    return true;
}

bool make_folders(const std::wstring& path) {
    for (size_t i = 3; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == L'\\') {
            std::wstring part = path.substr(0, i);
            DWORD a = GetFileAttributesW(part.c_str());
            if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY)) continue;
            if (!CreateDirectoryW(part.c_str(), nullptr))
                return fail("cannot create folder " + show_text(narrow(part)) + ": error " +
                            number_text(GetLastError()));
        }
    }
    return true;
}

bool make_folders(const std::string& path) {
    return make_folders(wide(path));
}

// "nothing", "a folder" or "a file of N bytes".
static std::string describe_path(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return "nothing";
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return "a folder";
    unsigned long long size =
        (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return "a file of " + number_text(size) + " bytes";
}

// ---- registry -----------------------------------------------------------------------------------

static bool split_key(const std::string& path, HKEY& root, std::string& sub) {
    size_t slash = path.find('\\');
    std::string head = path.substr(0, slash);
    sub = slash == std::string::npos ? "" : path.substr(slash + 1);
    static const struct {
        const char* name;
        HKEY key;
    } roots[] = {{"HKLM", HKEY_LOCAL_MACHINE}, {"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
                 {"HKCU", HKEY_CURRENT_USER},  {"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
                 {"HKCR", HKEY_CLASSES_ROOT},  {"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
                 {"HKU", HKEY_USERS},          {"HKEY_USERS", HKEY_USERS}};
    for (const auto& r : roots)
        if (iequals(head, r.name)) {
            root = r.key;
            return true;
        }
    return fail("unknown registry root in " + path + " (HKLM, HKCU, HKCR or HKU)");
}

static std::string describe_value(DWORD type, const std::vector<unsigned char>& data) {
    return describe_registry_value(type, data.data(), data.size());
}

static bool read_value(const std::string& key, const std::string& name, DWORD& type,
                       std::vector<unsigned char>& data, bool& key_exists, bool& value_exists) {
    HKEY root;
    std::string sub;
    if (!split_key(key, root, sub)) return false;
    key_exists = value_exists = false;
    HKEY k;
    if (RegOpenKeyExA(root, sub.c_str(), 0, KEY_QUERY_VALUE, &k) != ERROR_SUCCESS) return true;
    key_exists = true;
    // Read through the UTF-16 call: the ANSI one adds a closing zero that may not be stored.
    std::wstring wide_name = wide(name);
    DWORD size = 0;
    std::vector<unsigned char> raw;
    if (RegQueryValueExW(k, wide_name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
        raw.resize(size);
        if (RegQueryValueExW(k, wide_name.c_str(), nullptr, &type, raw.data(), &size) ==
            ERROR_SUCCESS) {
            raw.resize(size);
            value_exists = true;
        }
    }
    RegCloseKey(k);
    if (value_exists && (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ) &&
        raw.size() % 2 == 0) {
        std::wstring text(raw.size() / 2, L'\0');
        std::memcpy(&text[0], raw.data(), raw.size());
        std::string bytes = narrow(text);
        data.assign(bytes.begin(), bytes.end());
    } else {
        data = raw;
    }
    return true;
}

// Opens the key for writing values, creating it (and the keys above it) when it is missing.
static bool create_key(const std::string& key, HKEY& k) {
    HKEY root;
    std::string sub;
    if (!split_key(key, root, sub)) return false;
    LONG rc =
        RegCreateKeyExA(root, sub.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &k, nullptr);
    if (rc != ERROR_SUCCESS) return fail("cannot create key " + key + ": error " + number_text(rc));
    return true;
}

static bool write_value(const std::string& key, const std::string& name, DWORD type,
                        const void* data, DWORD size) {
    HKEY k;
    if (!create_key(key, k)) return false;
    LONG rc = RegSetValueExA(k, name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(k);
    if (rc != ERROR_SUCCESS) return fail("cannot write value: error " + number_text(rc));
    return true;
}

// A text value without its closing zero, as careless writers leave it. Both RegSetValueEx calls
// add the zero under Wine, so the value goes in through NtSetValueKey, which stores bytes as
// given.
static bool write_raw_sz(const std::string& key, const std::string& name,
                         const std::string& value) {
    HKEY k;
    if (!create_key(key, k)) return false;
    std::wstring wide_name = wide(name), wide_value = wide(value);
    struct CountedText {
        USHORT length, maximum;
        PWSTR buffer;
    } counted{static_cast<USHORT>(wide_name.size() * sizeof(wchar_t)),
              static_cast<USHORT>(wide_name.size() * sizeof(wchar_t)), &wide_name[0]};
    using SetValueKey = LONG(WINAPI*)(HANDLE, CountedText*, ULONG, ULONG, const void*, ULONG);
    auto set_value = reinterpret_cast<SetValueKey>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtSetValueKey")));
    LONG rc = set_value ? set_value(k, &counted, 0, REG_SZ, wide_value.data(),
                                    static_cast<ULONG>(wide_value.size() * sizeof(wchar_t)))
                        : -1;
    RegCloseKey(k);
    if (rc != ERROR_SUCCESS) return fail("cannot write value: error " + number_text(rc));
    return true;
}

static bool write_sz(const std::string& key, const std::string& name, const std::string& value) {
    return write_value(key, name, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

// The type and the stored bytes of a value as reg-set and expect-reg give it: KIND sz and
// expand-sz with the text's closing zero, sz-raw without it, dword as four bytes.
static bool value_of(const std::string& kind, const std::string& text, DWORD& type,
                     std::vector<unsigned char>& bytes) {
    bytes.assign(text.begin(), text.end());
    if (kind == "sz" || kind == "expand-sz") {
        type = kind == "sz" ? REG_SZ : REG_EXPAND_SZ;
        bytes.push_back(0);
    } else if (kind == "sz-raw") {
        type = REG_SZ;
    } else if (kind == "dword") {
        uint32_t n;
        if (!parse_u32(text, n)) return fail("not a number: " + text);
        type = REG_DWORD;
        bytes.resize(4);
        std::memcpy(bytes.data(), &n, 4);
    } else {
        return fail("unknown value type " + kind + " (sz, sz-raw, expand-sz or dword)");
    }
    return true;
}

bool cmd_reg_set(const Args& a) {
    DWORD type;
    std::vector<unsigned char> bytes;
    if (!value_of(a[3], a[4], type, bytes)) return false;
    if (a[3] == "sz-raw") return write_raw_sz(a[1], a[2], a[4]);
    return write_value(a[1], a[2], type, bytes.data(), static_cast<DWORD>(bytes.size()));
}

bool cmd_reg_delete_key(const Args& a) {
    HKEY root;
    std::string sub;
    if (!split_key(a[1], root, sub)) return false;
    if (sub.empty()) return fail("refusing to delete a whole registry root");
    LONG rc = RegDeleteTreeA(root, sub.c_str());
    if (rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND) {
        RegDeleteKeyA(root, sub.c_str());
        return true;
    }
    return fail("cannot delete " + a[1] + ": error " + number_text(rc));
}

bool cmd_winver(const Args& a) {
    static const char* const known[] = {"win95", "nt40", "win98", "winme", "win2k", "winxp",
                                        "vista", "win7", "win8",  "win81", "win10"};
    for (const char* k : known)
        if (a[1] == k) return write_sz("HKCU\\Software\\Wine", "Version", a[1]);
    return fail("unknown Windows version " + a[1] + " (win95, nt40, win98, winxp, win10, ...)");
}

bool cmd_dll_disable(const Args& a) {
    return write_sz("HKCU\\Software\\Wine\\DllOverrides", a[1], "");
}

bool cmd_expect_reg(const Args& a) {
    DWORD type = 0;
    std::vector<unsigned char> data;
    bool key_exists, value_exists;
    if (!read_value(a[1], a[2], type, data, key_exists, value_exists)) return false;
    if (!key_exists) return fail("no key " + a[1]);
    if (!value_exists) return fail("the key " + a[1] + " has no value " + show_text(a[2]));
    DWORD want_type;
    std::vector<unsigned char> want;
    if (!value_of(a[3], a[4], want_type, want)) return false;
    if (type == want_type && data == want) return true;
    return fail(a[1] + " " + show_text(a[2]) + " is " + describe_value(type, data) + ", expected " +
                describe_value(want_type, want));
}

bool cmd_expect_no_reg(const Args& a) {
    if (a.size() == 2) {
        HKEY root, k;
        std::string sub;
        if (!split_key(a[1], root, sub)) return false;
        if (RegOpenKeyExA(root, sub.c_str(), 0, KEY_READ, &k) == ERROR_SUCCESS) {
            RegCloseKey(k);
            return fail("the key " + a[1] + " exists");
        }
        return true;
    }
    DWORD type = 0;
    std::vector<unsigned char> data;
    bool key_exists, value_exists;
    if (!read_value(a[1], a[2], type, data, key_exists, value_exists)) return false;
    if (value_exists)
        return fail(a[1] + " " + show_text(a[2]) + " exists: " + describe_value(type, data));
    return true;
}

// ---- files --------------------------------------------------------------------------------------

bool cmd_mkdir(const Args& a) {
    return make_folders(wide_from_utf8(windows_path(a[1])));
}

bool cmd_set_env(const Args& a) {
    if (!SetEnvironmentVariableW(wide_from_utf8(a[1]).c_str(), wide_from_utf8(a[2]).c_str()))
        return fail("cannot set " + a[1] + ": error " + number_text(GetLastError()));
    return true;
}

// Replaces the file's contents, or with append adds to the end of a file that exists.
static bool write_bytes_to(const std::string& path, const std::string& bytes, bool append) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr,
                           append ? OPEN_EXISTING : CREATE_ALWAYS, 0, nullptr);
    if (h != INVALID_HANDLE_VALUE && append) SetFilePointer(h, 0, nullptr, FILE_END);
    if (h == INVALID_HANDLE_VALUE)
        return fail("cannot write " + show_text(path) + ": error " + number_text(GetLastError()));
    DWORD written = 0;
    BOOL ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(h);
    if (!ok || written != bytes.size()) return fail("cannot write " + show_text(path));
    return true;
}

bool cmd_write_file(const Args& a) {
    return write_bytes_to(windows_path(a[1]), a[2], false);
}

bool cmd_append_file(const Args& a) {
    return write_bytes_to(windows_path(a[1]), a[2], true);
}

// Binary files a scenario makes itself, such as a pack that no build would make.
bool cmd_write_bytes(const Args& a) {
    std::string bytes;
    for (size_t i = 2; i < a.size(); ++i) {
        const std::string& hex = a[i];
        if (hex.size() % 2 != 0 || hex.find_first_not_of("0123456789abcdefABCDEF") != hex.npos)
            return fail(show_text(hex) + " is not pairs of hex digits");
        for (size_t j = 0; j < hex.size(); j += 2)
            bytes += char(std::strtoul(hex.substr(j, 2).c_str(), nullptr, 16));
    }
    return write_bytes_to(windows_path(a[1]), bytes, false);
}

// Wine takes a Linux symbolic link for a link of Windows; no Win32 program can make one here.
bool cmd_symlink(const Args& a) {
    const std::string link = unix_path(windows_path(a[1]));
    const std::string to = unix_path(windows_path(a[2]));
    if (link.empty() || to.empty()) return fail("no Linux path for " + a[1] + " or " + a[2]);
    LinuxRun run = run_linux_command("ln -s '" + to + "' '" + link + "'", 10000);
    if (!run.finished || run.status != 0)
        return fail("cannot link " + show_text(link) + " to " + show_text(to) + ": " + run.output);
    return true;
}

bool cmd_copy_file(const Args& a) {
    std::string from = windows_path(a[1]), to = windows_path(a[2]);
    if (!CopyFileA(from.c_str(), to.c_str(), FALSE))
        return fail("cannot copy " + show_text(from) + " to " + show_text(to) + ": error " +
                    number_text(GetLastError()));
    return true;
}

// Files the driver holds open without sharing, as a running program holds its own executable:
// the program under test can then neither replace, rename nor delete them.
static std::map<std::string, HANDLE> g_held_files;

bool cmd_hold_file(const Args& a) {
    std::string path = windows_path(a[1]);
    if (g_held_files.count(path)) return fail(show_text(path) + " is held already");
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return fail("cannot hold " + show_text(path) + ": error " + number_text(GetLastError()));
    g_held_files[path] = h;
    return true;
}

bool cmd_release_file(const Args& a) {
    auto held = g_held_files.find(windows_path(a[1]));
    if (held == g_held_files.end()) return fail(show_text(a[1]) + " is not held");
    CloseHandle(held->second);
    g_held_files.erase(held);
    return true;
}

bool cmd_expect_file(const Args& a) {
    std::string path = windows_path(a[1]);
    std::string found = describe_path(path);
    if (found.rfind("a file", 0) != 0)
        return fail("no file " + show_text(path) + " (found " + found + ")");
    if (a.size() > 2 && found != "a file of " + a[2] + " bytes")
        return fail(show_text(path) + " is " + found + ", expected " + a[2] + " bytes");
    return true;
}

bool cmd_expect_no_file(const Args& a) {
    std::string path = windows_path(a[1]);
    std::string found = describe_path(path);
    if (found != "nothing") return fail(show_text(path) + " exists: " + found);
    return true;
}

bool cmd_expect_dir(const Args& a) {
    std::string path = windows_path(a[1]);
    std::string found = describe_path(path);
    if (found != "a folder") return fail("no folder " + show_text(path) + " (found " + found + ")");
    return true;
}

bool cmd_expect_no_dir(const Args& a) {
    std::string path = windows_path(a[1]);
    std::string found = describe_path(path);
    if (found == "a folder") return fail("the folder " + show_text(path) + " exists");
    return true;
}

bool cmd_expect_same_file(const Args& a) {
    std::string ours = windows_path(a[1]), theirs = windows_path(a[2]);
    std::string x, y;
    if (!read_whole_file(ours, x) || !read_whole_file(theirs, y)) return false;
    if (x == y) return true;
    size_t at = 0;
    while (at < x.size() && at < y.size() && x[at] == y[at])
        ++at;
    return fail(show_text(ours) + " (" + number_text(x.size()) + " bytes) differs from " +
                show_text(theirs) + " (" + number_text(y.size()) + " bytes) from byte " +
                number_text(at) + " on");
}

bool cmd_expect_file_lines(const Args& a) {
    std::string path = windows_path(a[1]);
    std::string content;
    if (!read_whole_file(path, content)) return false;
    std::vector<std::string> lines;
    std::string broken;
    if (!split_crlf_lines(content, lines, broken)) return fail(show_text(path) + ": " + broken);
    std::vector<std::string> expected(a.begin() + 2, a.end());
    if (lines == expected) return true;
    std::string why = show_text(path) + " holds " + number_text(lines.size()) + " lines";
    for (size_t i = 0; i < lines.size() || i < expected.size(); ++i) {
        if (i < lines.size() && i < expected.size() && lines[i] == expected[i]) continue;
        why += "; first difference in line " + number_text(i + 1) + ": found " +
               (i < lines.size() ? show_text(lines[i]) : "nothing") + ", expected " +
               (i < expected.size() ? show_text(expected[i]) : "nothing");
        break;
    }
    why += "\n    lines:";
    for (size_t i = 0; i < lines.size() && i < kMaxListedDifferences; ++i)
        why += "\n    " + show_text(lines[i]);
    return fail(why);
}

// ---- links and special folders ------------------------------------------------------------------

static bool split_icon(const std::string& word, std::string& path, int& index) {
    size_t comma = word.rfind(',');
    if (comma == std::string::npos || !parse_int(word.substr(comma + 1), index))
        return fail("an icon is written PATH,INDEX: " + word);
    path = word.substr(0, comma);
    return true;
}

struct LinkFields {
    std::string target, description, icon, arguments, folder;
    int show = 0;
};

bool cmd_expect_lnk(const Args& a) {
    std::string path = windows_path(a[1]);
    IShellLinkA* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link))))
        return fail("cannot create a shell link object");
    IPersistFile* file = nullptr;
    LinkFields found;
    HRESULT loaded = E_FAIL;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        loaded = file->Load(wide(path).c_str(), STGM_READ);
        file->Release();
    }
    if (SUCCEEDED(loaded)) {
        char buf[MAX_PATH * 2] = "";
        link->GetPath(buf, sizeof buf, nullptr, SLGP_RAWPATH);
        found.target = buf;
        buf[0] = 0;
        link->GetDescription(buf, sizeof buf);
        found.description = buf;
        buf[0] = 0;
        int index = 0;
        link->GetIconLocation(buf, sizeof buf, &index);
        found.icon = std::string(buf) + "," + number_text(index);
        buf[0] = 0;
        link->GetArguments(buf, sizeof buf);
        found.arguments = buf;
        buf[0] = 0;
        link->GetWorkingDirectory(buf, sizeof buf);
        found.folder = buf;
        link->GetShowCmd(&found.show);
        // Wine's link object answers 1 after Load whatever the file holds; the show command is
        // the header field at offset 60 of the file, so read it from there.
        std::string bytes;
        if (read_whole_file(path, bytes) && bytes.size() >= 64 && bytes[0] == 0x4C)
            std::memcpy(&found.show, bytes.data() + 60, 4);
    }
    link->Release();
    if (FAILED(loaded))
        return fail("cannot load the link " + show_text(path) + " (" + describe_path(path) + ")");
    const std::string fields[] = {found.target,    found.description,
                                  found.icon,      number_text(found.show),
                                  found.arguments, found.folder};
    static const char* const names[] = {"target",       "description", "icon",
                                        "show command", "arguments",   "working folder"};
    std::string wrong;
    for (size_t i = 0; i < 6 && i + 2 < a.size(); ++i)
        if (a[i + 2] != "*" && a[i + 2] != fields[i])
            wrong += "\n    " + std::string(names[i]) + " " + show_text(fields[i]) + ", expected " +
                     show_text(a[i + 2]);
    if (!wrong.empty()) return fail("the link " + show_text(path) + " differs:" + wrong);
    return true;
}

bool cmd_make_lnk(const Args& a) {
    std::string path = windows_path(a[1]);
    std::string icon_path;
    int icon_index = 0, show = 1;
    if (!split_icon(a[4], icon_path, icon_index)) return false;
    if (!parse_int(a[5], show)) return fail("not a show command: " + a[5]);
    IShellLinkA* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link))))
        return fail("cannot create a shell link object");
    link->SetPath(a[2].c_str());
    link->SetDescription(a[3].c_str());
    link->SetIconLocation(icon_path.c_str(), icon_index);
    link->SetShowCmd(show);
    if (a.size() > 6) link->SetArguments(a[6].c_str());
    if (a.size() > 7) link->SetWorkingDirectory(a[7].c_str());
    IPersistFile* file = nullptr;
    HRESULT saved = E_FAIL;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        saved = file->Save(wide(path).c_str(), TRUE);
        file->Release();
    }
    link->Release();
    if (FAILED(saved)) return fail("cannot save the link " + show_text(path));
    return true;
}

bool cmd_special_folder(const Args& a) {
    int csidl;
    if (!parse_int(a[2], csidl)) return fail("not a CSIDL number: " + a[2]);
    char buf[MAX_PATH] = "";
    if (FAILED(SHGetFolderPathA(nullptr, csidl, nullptr, 0, buf)) || !buf[0])
        return fail("no special folder " + a[2]);
    set_variable(a[1], buf);
    return true;
}

// ---- the system's list of installed programs ---------------------------------------------------

// The lines that Wine's `uninstaller --list` prints: one per entry of the list that names a
// program to start.
static bool listed_programs(std::vector<std::string>& lines) {
    char system[MAX_PATH] = "";
    GetSystemDirectoryA(system, sizeof system);
    std::string program = std::string(system) + "\\uninstaller.exe";
    SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
    HANDLE read_end, write_end;
    if (!CreatePipe(&read_end, &write_end, &inherited, 0)) return fail("cannot make a pipe");
    SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = si.hStdError = write_end;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION pi{};
    std::string command = "\"" + program + "\" --list";
    std::vector<char> cl(command.begin(), command.end());
    cl.push_back('\0');
    BOOL started = CreateProcessA(program.c_str(), cl.data(), nullptr, nullptr, TRUE,
                                  CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi);
    CloseHandle(write_end);
    if (!started) {
        CloseHandle(read_end);
        return fail("cannot start " + program + ": error " + number_text(GetLastError()));
    }
    std::string output;
    char buf[4096];
    DWORD got;
    while (ReadFile(read_end, buf, sizeof buf, &got, nullptr) && got > 0)
        output.append(buf, got);
    CloseHandle(read_end);
    WaitForSingleObject(pi.hProcess, kDefaultWaitMs);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    lines.clear();
    for (size_t start = 0; start < output.size();) {
        size_t end = output.find('\n', start);
        if (end == std::string::npos) end = output.size();
        std::string line = output.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) lines.push_back(line);
        start = end + 1;
    }
    return true;
}

// Whether a line of the list holds the text (a line names the entry's key and what it shows).
static bool expect_listed(const std::string& text, bool listed) {
    std::vector<std::string> lines;
    if (!listed_programs(lines)) return false;
    bool found = false;
    std::string shown;
    for (const std::string& l : lines) {
        found |= l.find(text) != std::string::npos;
        shown += (shown.empty() ? "" : ", ") + show_text(l);
    }
    if (found == listed) return true;
    return fail(show_text(text) + (listed ? " is not listed" : " is listed") +
                "; the list: " + (shown.empty() ? "empty" : shown));
}

bool cmd_expect_listed(const Args& a) {
    return expect_listed(a[1], true);
}

bool cmd_expect_unlisted(const Args& a) {
    return expect_listed(a[1], false);
}

bool cmd_size_kb(const Args& a) {
    unsigned long long total = 0;
    for (size_t i = 2; i < a.size(); ++i) {
        WIN32_FILE_ATTRIBUTE_DATA data;
        std::string path = windows_path(a[i]);
        if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
            return fail("no file " + show_text(path));
        total += (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    }
    set_variable(a[1], number_text(static_cast<long long>((total + 1023) / 1024)));
    return true;
}
