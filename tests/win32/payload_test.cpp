// The embedded payload and the pack file under Wine. The program first copies
// itself alone into a fresh folder and runs the copy there, so every check
// below also shows that the installer's payload needs no file beside the
// executable that carries it.
#include "check.h"
#include "core/session.h"
#include "install/undo.h"
#include "payload/embedded.h"
#include "payload/pack.h"
#include "payload/pack_format.h"
#include "programs/common/program_window.h"
#include "services/file_services.h"
#include "test_files.h"
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>
#include <windows.h>

namespace {

std::string g_root;  // fresh folder of this run, with its final "\"
std::string g_built; // the build's programs folder, as a Windows path with its
                     // final "\"

std::string fresh_folder(const std::string& name) {
    return make_folder_in(g_root, name);
}

std::string le32(uint32_t v) {
    char b[4] = {char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
    return std::string(b, 4);
}

std::string stored_entry(const std::string& bytes) {
    return le32(uint32_t(bytes.size())) + le32(uint32_t(bytes.size())) + bytes;
}

std::string embedded_blob() {
    return std::string(reinterpret_cast<const char*>(payload_blob()), payload_blob_length());
}

// The entries of a blob as they stand in it, header included.
std::vector<std::string> entries_of(const std::string& blob) {
    std::vector<std::string> entries;
    size_t at = 0;
    while (at + kEntryHeaderSize <= blob.size()) {
        EntryHeader h = parse_entry_header(reinterpret_cast<const uint8_t*>(blob.data() + at));
        size_t length = kEntryHeaderSize + h.packed_size;
        if (at + length > blob.size()) break;
        entries.push_back(blob.substr(at, length));
        at += length;
    }
    return entries;
}

bool is_stored(const std::string& entry) {
    return entry_is_stored(parse_entry_header(reinterpret_cast<const uint8_t*>(entry.data())));
}

bool has_record(const std::string& tag, const std::string& argument) {
    for (const UndoAction& a : session.undo_list)
        if (a.tag == tag && a.argument == argument) return true;
    return false;
}

int g_advances = 0;
void count_advance() {
    ++g_advances;
}

const char* const kPayloadNames[] = {"Kav-Player.exe", "Kav-Producer.exe",
                                     "Kav-Producer.exe.manifest", "Uninstall.exe"};

void embedded_payload() {
    const std::string library = read_all(g_built + "fmod.dll");
    CHECK(payload_blob_length() > kEntryHeaderSize);
    CHECK(library_signature() == payload_blob() + payload_blob_length());
    CHECK_EQ(std::string(reinterpret_cast<const char*>(library_signature()), kSignatureLength),
             library.substr(0, kSignatureLength));
    CHECK_EQ(size_t(library_length()), library.size());
    // The blob is exactly the entries, with nothing behind the last one.
    size_t total = 0;
    for (const std::string& e : entries_of(embedded_blob()))
        total += e.size();
    CHECK_EQ(total, size_t(payload_blob_length()));
    CHECK_EQ(entries_of(embedded_blob()).size(), size_t(5));
}

void installed_programs_run(const std::string& target);

// The steps of the installation page that touch the payload, in their order.
void install_like_the_page() {
    session.undo_list.clear();
    session.file_name_list.clear();
    const std::string pack = g_root + kPackFileName;
    const std::string target = fresh_folder("Kavento-Producer");

    g_advances = 0;
    CHECK_EQ(write_pack_file(pack, payload_blob(), payload_blob_length(), count_advance), 1);
    CHECK_EQ(g_advances, 1);
    CHECK(file_exists(pack));
    undo_add(kTagDeletePackFile, pack);
    CHECK_EQ(pack_open(pack), 1); // which reads it back against the blob
    CHECK_EQ(pack_entry_size(), -1);

    CHECK_EQ(read_file_list(), 1);
    CHECK_EQ(session.file_name_list.size(), size_t(4));
    for (size_t i = 0; i < 4 && i < session.file_name_list.size(); ++i)
        CHECK_EQ(session.file_name_list[i], std::string(kPayloadNames[i]));

    std::string failed;
    g_advances = 0;
    CHECK_EQ(install_payload_files(target, failed, count_advance), 1);
    CHECK_EQ(failed, std::string(""));
    CHECK_EQ(g_advances, 4);
    for (const char* name : kPayloadNames) {
        CHECK(read_all(target + name) == read_all(g_built + name));
        CHECK(has_record(kTagDeleteFile, target + name));
    }
    // The pack is used up: no further entry.
    CHECK(pack_next_entry() == nullptr);
    CHECK_EQ(pack_entry_size(), -1);

    pack_close(); // the pack file goes with its handle
    CHECK(!exists(pack));
    CHECK_EQ(session.undo_list.back().tag, std::string(kTagDeletePackFile));
    undo_remove_oldest();
    CHECK(!has_record(kTagDeletePackFile, pack));
    CHECK_EQ(session.undo_list.size(), size_t(4));
    CHECK_EQ(session.undo_list.front().argument, target + "Uninstall.exe");
    CHECK_EQ(session.undo_list.back().argument, target + "Kav-Player.exe");

    CHECK(extract_embedded_library(target) == LibraryResult::kOk);
    CHECK(read_all(target + "fmod.dll") == read_all(g_built + "fmod.dll"));
    CHECK_EQ(session.undo_list.front().argument, target + "fmod.dll");

    // The cut-out library is a working DLL: the authoring tool's call into it
    // answers.
    HMODULE fmod = LoadLibraryA((target + "fmod.dll").c_str());
    CHECK(fmod != nullptr);
    if (fmod) {
        typedef float (*VersionProc)();
        VersionProc version = reinterpret_cast<VersionProc>(
            reinterpret_cast<void*>(GetProcAddress(fmod, "FSOUND_GetVersion")));
        CHECK(version != nullptr);
        if (version) CHECK(version() > 3.0f);
        FreeLibrary(fmod);
    }

    // The log written afterwards never names the pack file.
    CHECK_EQ(write_uninstall_log(target), 1);
    const std::string log = read_all(target + "Uninstall.txt");
    CHECK(log.find("*Delete File: ") == std::string::npos);
    CHECK(log.find(kPackFileName) == std::string::npos);
    CHECK(log.find("*Delete file: " + target + "fmod.dll\r\n") != std::string::npos);

    installed_programs_run(target);
}

// Starts an installed program with a command line, waits for its window and
// gives back the text it shows; the program is closed again. Empty when no
// window appeared.
std::string shown_by(const std::string& folder, const char* program, const char* title,
                     const std::string& arguments) {
    std::string command = "\"" + folder + program + "\"" + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA((folder + program).c_str(), &command[0], nullptr, nullptr, FALSE, 0,
                        nullptr, folder.c_str(), &startup, &process))
        return "";
    WaitForInputIdle(process.hProcess, 10000);
    // The window can be found while it is still being created; it counts once it is shown with
    // its text control.
    HWND window = nullptr;
    for (int i = 0; i < 500; ++i) {
        window = FindWindowA("KaventoProgramWindow", title);
        if (window && IsWindowVisible(window) && GetDlgItem(window, kDocumentTextId)) break;
        window = nullptr;
        Sleep(20);
    }
    char text[1024] = "";
    if (window) {
        GetWindowTextA(GetDlgItem(window, kDocumentTextId), text, sizeof text);
        PostMessageA(window, WM_CLOSE, 0, 0);
    }
    if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0)
        TerminateProcess(process.hProcess, 1);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CHECK_EQ(code, DWORD(0));
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return text;
}

// The installed programs run: each opens its titled window and shows its
// document, and the authoring tool finds the library that was cut out of it
// beside itself.
void installed_programs_run(const std::string& target) {
    std::string text = shown_by(target, "Kav-Producer.exe", "Kavento-Producer 1.20.1",
                                " \"C:\\Kaventos\\Show 1.kvf\"");
    CHECK(text.find("Dokument: C:\\Kaventos\\Show 1.kvf") != std::string::npos);
    CHECK(text.find("Sound: fmod 3.75") != std::string::npos);
    text = shown_by(target, "Kav-Player.exe", "Kavento-Player 1.20.1", "");
    CHECK_EQ(text, std::string("Kein Dokument geöffnet."));
}

void entry_sizes() {
    pack_close();
    CHECK_EQ(pack_entry_size(), -1);
    CHECK(pack_next_entry() == nullptr);

    const std::string pack = g_root + "sizes.pac";
    write_all(pack, stored_entry("one\r\n") + stored_entry("") + stored_entry("xyz"));
    CHECK_EQ(pack_open(pack), 1);
    const uint8_t* bytes = pack_next_entry();
    CHECK(bytes != nullptr);
    CHECK_EQ(pack_entry_size(), 5);
    // An empty stored entry is an entry, not the end.
    CHECK(pack_next_entry() != nullptr);
    CHECK_EQ(pack_entry_size(), 0);
    bytes = pack_next_entry();
    CHECK(bytes != nullptr);
    CHECK_EQ(pack_entry_size(), 3);
    if (bytes) CHECK_EQ(std::string(reinterpret_cast<const char*>(bytes), 3), std::string("xyz"));
    CHECK(pack_next_entry() == nullptr);
    CHECK_EQ(pack_entry_size(), -1);

    // Closed after a good read: the size is gone with the pack.
    CHECK_EQ(pack_open(pack), 1);
    CHECK(pack_next_entry() != nullptr);
    CHECK_EQ(pack_entry_size(), 5);
    pack_close();
    CHECK_EQ(pack_entry_size(), -1);

    // Opening a second pack while the first is open reads the second from its
    // start.
    const std::string other = g_root + "other.pac";
    write_all(other, stored_entry("second"));
    CHECK_EQ(pack_open(pack), 1);
    CHECK(pack_next_entry() != nullptr);
    CHECK_EQ(pack_open(other), 1);
    CHECK_EQ(pack_entry_size(), -1);
    bytes = pack_next_entry();
    CHECK_EQ(pack_entry_size(), 6);
    if (bytes)
        CHECK_EQ(std::string(reinterpret_cast<const char*>(bytes), 6), std::string("second"));
    pack_close();

    CHECK_EQ(pack_open(g_root + "missing.pac"), 0);
    CHECK_EQ(pack_entry_size(), -1);
}

// A pack with a file-name list and entries made by the test; installs it into a
// fresh folder.
struct TestInstall {
    int result = 0;
    std::string failed;
    std::string target;
};

TestInstall install_test_pack(const std::string& name, const std::string& blob) {
    session.undo_list.clear();
    session.file_name_list.clear();
    TestInstall run;
    run.target = fresh_folder(name);
    const std::string pack = g_root + name + ".pac";
    write_all(pack, blob);
    CHECK_EQ(pack_open(pack), 1);
    CHECK_EQ(read_file_list(), 1);
    run.result = install_payload_files(run.target, run.failed, nullptr);
    pack_close();
    return run;
}

void file_lists_and_stored_entries() {
    // Without its final CR LF the last name is lost, and with it its entry.
    TestInstall run = install_test_pack("lost", stored_entry("a.txt\r\nb.txt") +
                                                    stored_entry("AAA") + stored_entry("BBB"));
    CHECK_EQ(run.result, 1);
    CHECK((session.file_name_list == std::vector<std::string>{"a.txt"}));
    CHECK_EQ(read_all(run.target + "a.txt"), std::string("AAA"));
    CHECK(!exists(run.target + "b.txt"));

    // Stored entries come back byte for byte, zero bytes included. An empty file may also come
    // as a compressed entry: a stream of 0 bytes (an end token in one word).
    const std::string binary("\0\x01\xFF\r\n\0", 6);
    const std::string empty_stream("JC\0\0\0\0\0\0\0\0\0\0\0\0", 14);
    run = install_test_pack("stored", stored_entry("x.bin\r\ny.bin\r\nz.bin\r\n") +
                                          stored_entry(binary) + stored_entry("") + le32(0) +
                                          le32(14) + empty_stream);
    CHECK_EQ(run.result, 1);
    CHECK(read_all(run.target + "x.bin") == binary);
    CHECK_EQ(read_all(run.target + "y.bin"), std::string(""));
    CHECK(exists(run.target + "z.bin"));
    CHECK_EQ(read_all(run.target + "z.bin"), std::string(""));
}

void bad_entries() {
    const std::vector<std::string> real = entries_of(embedded_blob());
    // A compressed entry of the real payload with one byte of its stream changed.
    std::string corrupt;
    for (size_t i = 1; i < real.size() && corrupt.empty(); ++i)
        if (!is_stored(real[i])) corrupt = real[i];
    CHECK(!corrupt.empty());
    if (!corrupt.empty()) {
        corrupt[corrupt.size() / 2] = char(corrupt[corrupt.size() / 2] ^ 0x10);
        TestInstall run = install_test_pack("corrupt", stored_entry("good.txt\r\nbad.exe\r\n") +
                                                           stored_entry("ok") + corrupt);
        CHECK_EQ(run.result, 0);
        CHECK_EQ(run.failed, run.target + "bad.exe");
        // What was made is recorded, so the roll-back removes the damaged file too.
        CHECK(has_record(kTagDeleteFile, run.target + "good.txt"));
        CHECK(has_record(kTagDeleteFile, run.target + "bad.exe"));
    }

    // A stored entry whose bytes end early.
    TestInstall run = install_test_pack("truncated", stored_entry("t.bin\r\n") + le32(100) +
                                                         le32(100) + std::string(40, 'x'));
    CHECK_EQ(run.result, 0);
    CHECK_EQ(run.failed, run.target + "t.bin");

    // A header cut short, and a list naming more files than the pack holds.
    run = install_test_pack("short-header", stored_entry("h.bin\r\n") + std::string("\x05\0\0", 3));
    CHECK_EQ(run.result, 0);
    CHECK_EQ(run.failed, run.target + "h.bin");
    run = install_test_pack("missing", stored_entry("1.bin\r\n2.bin\r\n") + stored_entry("one"));
    CHECK_EQ(run.result, 0);
    CHECK_EQ(run.failed, run.target + "2.bin");
    CHECK_EQ(read_all(run.target + "1.bin"), std::string("one"));

    // A name that would leave the target folder is refused before anything is
    // written.
    for (const char* name : {"..\\escaped.txt", "sub\\x.txt", "C:\\x.txt", ".."}) {
        run = install_test_pack("escape",
                                stored_entry(std::string(name) + "\r\n") + stored_entry("evil"));
        CHECK_EQ(run.result, 0);
        CHECK_EQ(run.failed, run.target + name);
        CHECK(session.undo_list.empty());
    }
    CHECK(!exists(g_root + "escaped.txt"));

    // A file that cannot be created: a folder stands in its place.
    CreateDirectoryA((fresh_folder("blocked") + "in-the-way").c_str(), nullptr);
    run = install_test_pack("blocked", stored_entry("in-the-way\r\n") + stored_entry("x"));
    CHECK_EQ(run.result, 0);
    CHECK_EQ(run.failed, run.target + "in-the-way");
    CHECK(session.undo_list.empty());
}

void library_cases() {
    const std::string library = read_all(g_built + "fmod.dll");
    const std::string signature = library.substr(0, kSignatureLength);

    // No signature in the tool: fmod.dll stays empty, and that is not a failure.
    session.undo_list.clear();
    std::string target = fresh_folder("no-signature");
    write_all(target + "Kav-Producer.exe", std::string(5000, 'p'));
    CHECK(extract_embedded_library(target) == LibraryResult::kOk);
    CHECK(exists(target + "fmod.dll"));
    CHECK_EQ(read_all(target + "fmod.dll"), std::string(""));
    CHECK(has_record(kTagDeleteFile, target + "fmod.dll"));

    // The tool ends before the library's length: what is there is written,
    // nothing beyond.
    target = fresh_folder("cut-short");
    const std::string tail = signature + std::string(300, 't');
    write_all(target + "Kav-Producer.exe", std::string(1000, 'p') + tail);
    CHECK(extract_embedded_library(target) == LibraryResult::kOk);
    CHECK(read_all(target + "fmod.dll") == tail);

    // Only the library's own length is copied out, from its first occurrence on.
    target = fresh_folder("twice");
    write_all(target + "Kav-Producer.exe", "MZ-host" + library + "gap" + library + "end");
    CHECK(extract_embedded_library(target) == LibraryResult::kOk);
    CHECK(read_all(target + "fmod.dll") == library);

    session.undo_list.clear();
    target = fresh_folder("no-tool");
    CHECK(extract_embedded_library(target) == LibraryResult::kToolNotOpened);
    CHECK(!exists(target + "fmod.dll"));
    CHECK(session.undo_list.empty());

    target = fresh_folder("library-blocked");
    write_all(target + "Kav-Producer.exe", "MZ" + library);
    CreateDirectoryA((target + "fmod.dll").c_str(), nullptr);
    CHECK(extract_embedded_library(target) == LibraryResult::kLibraryNotCreated);
    CHECK(session.undo_list.empty());
}

// Short writes, as on a full disk, fail the step that made them.
void full_disk() {
    // The pack file is never written through a link: this one, to a device, cannot even be
    // replaced (Wine renames over no device), so the pack is not made.
    const std::string pack = g_root + "full.pac";
    CHECK(make_full_disk_file(pack));
    CHECK_EQ(write_pack_file(pack, payload_blob(), payload_blob_length()), 0);

    std::string target = fresh_folder("full-files");
    CHECK(make_full_disk_file(target + "full.bin"));
    session.file_name_list.clear();
    session.undo_list.clear();
    const std::string blob_pack = g_root + "full-files.pac";
    write_all(blob_pack, stored_entry("full.bin\r\n") + stored_entry("payload bytes"));
    CHECK_EQ(pack_open(blob_pack), 1);
    CHECK_EQ(read_file_list(), 1);
    std::string failed;
    CHECK_EQ(install_payload_files(target, failed, nullptr), 0);
    CHECK_EQ(failed, target + "full.bin");
    pack_close();

    target = fresh_folder("full-library");
    write_all(target + "Kav-Producer.exe", "MZ" + read_all(g_built + "fmod.dll"));
    CHECK(make_full_disk_file(target + "fmod.dll"));
    CHECK(extract_embedded_library(target) == LibraryResult::kLibraryNotCreated);
}

// Runs this program from a copy of itself, alone in a fresh folder, and passes
// its result on.
int run_alone_copy() {
    char self[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, self, sizeof self);
    if (n == 0 || n >= sizeof self) return 1;
    std::string folder = make_run_folder("kv-alone");
    std::string copy = folder + "payload_test_copy.exe";
    if (!CopyFileA(self, copy.c_str(), FALSE)) {
        std::printf("FAIL cannot copy the test to %s\n", copy.c_str());
        return 1;
    }
    std::printf("running %s\n", copy.c_str());
    std::fflush(stdout);
    std::string command = "\"" + copy + "\" --alone";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(copy.c_str(), &command[0], nullptr, nullptr, TRUE, 0, nullptr,
                        folder.c_str(), &startup, &process)) {
        std::printf("FAIL cannot start the copy\n");
        return 1;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return int(code);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || std::string(argv[1]) != "--alone") return run_alone_copy();

    services_init();
    g_built = built_file("programs/");
    if (g_built.empty()) {
        std::printf("FAIL KV_BUILD_DIR is not set\n");
        return 1;
    }
    g_root = make_run_folder("kv-payload");

    embedded_payload();
    install_like_the_page();
    entry_sizes();
    file_lists_and_stored_entries();
    bad_entries();
    library_cases();
    full_disk();
    pack_close();
    services_shutdown();
    return check_report();
}
