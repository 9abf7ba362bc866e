// What the driver's files share: the commands, the program under test, the failure message of
// the running line, and the waits every command bounds itself by.
#pragma once
#include <windows.h>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

using Args = std::vector<std::string>; // the command word, then its words, expanded

// The commands, each in the file of its concern; kvdriver_win32.cpp has their table.
using CommandFunction = bool(const Args& a);
// program_win32.cpp: the program under test, its windows and message boxes.
CommandFunction cmd_start, cmd_wait_window, cmd_expect_box, cmd_answer_box, cmd_box,
    cmd_expect_no_box, cmd_wait_exit, cmd_follow_child, cmd_follow_started, cmd_expect_window_gone,
    cmd_expect_no_any_window, cmd_attack_start, cmd_attack_stop, cmd_start_listed;
// gadgets_win32.cpp: the controls of its main window, the folder chooser, screenshots.
CommandFunction cmd_click, cmd_set_text, cmd_list_select, cmd_close_window, cmd_expect_text,
    cmd_expect_visible, cmd_expect_enabled, cmd_expect_disabled, cmd_expect_only_visible,
    cmd_expect_checked, cmd_expect_progress, cmd_wait_progress, cmd_expect_list, cmd_expect_focus,
    cmd_choose_folder, cmd_screenshot, cmd_real_click, cmd_real_keys;
// system_win32.cpp: registry values, the environment, files and folders, links, special folders.
CommandFunction cmd_reg_set, cmd_reg_delete_key, cmd_winver, cmd_dll_disable, cmd_set_env,
    cmd_expect_reg, cmd_expect_no_reg, cmd_mkdir, cmd_write_file, cmd_append_file, cmd_write_bytes,
    cmd_symlink, cmd_copy_file, cmd_hold_file, cmd_release_file, cmd_expect_file,
    cmd_expect_no_file, cmd_expect_same_file, cmd_expect_dir, cmd_expect_no_dir,
    cmd_expect_file_lines, cmd_expect_lnk, cmd_make_lnk, cmd_special_folder, cmd_expect_listed,
    cmd_expect_unlisted, cmd_size_kb;
// snapshot_commands_win32.cpp
CommandFunction cmd_snapshot, cmd_expect_snapshot;
// The snapshots as text and back, for a driver resumed after its wineserver was ended.
std::string saved_snapshots();
bool load_snapshots(const std::string& text);

// Every wait has a bound, so a hung program fails its test instead of hanging it.
constexpr DWORD kDefaultWaitMs = 10000;
constexpr DWORD kSendTimeoutMs = 3000;
constexpr DWORD kBoxCloseMs = 5000;
constexpr size_t kMaxListedDifferences = 40;

// The program under test, and the windows of it that the scenario works with.
struct Target {
    HANDLE process = nullptr;
    DWORD process_id = 0;
    std::vector<HANDLE> started; // every program started, ended when the scenario stops
    HWND main_window = nullptr;
    HWND box = nullptr;
};
extern Target g_target;

// The target's windows (program_win32.cpp), for the commands of its gadgets too.
bool need_main();                   // fails the line when there is no main window (any more)
std::vector<HWND> target_windows(); // visible top-level windows of the target, topmost first
HWND current_box();                 // the target's open message box, or null
bool is_box(HWND hwnd);
std::string window_class(HWND hwnd);
// A control's text through WM_GETTEXT: for controls of another process GetWindowText returns the
// creation caption, not what an edit control holds now.
bool control_text(HWND hwnd, std::string& text);
std::string describe_box(HWND box);
std::string describe_target(); // what the target shows right now, for failure messages
// Waits until the target's GUI thread has most likely handled what was posted to it.
void settle();
// Waits the line's time (the word at `index`, `fallback` without it) until find() gives a window
// of the target, or the target has ended; `found` is null when no window came.
bool wait_for_window(const Args& a, size_t index, DWORD fallback, DWORD& ms, HWND& found,
                     const std::function<HWND()>& find);

// Notes why the running line fails; returns false for `return fail(...)`.
bool fail(const std::string& message);

// Scenario variables first, then the few fixed ones, then the environment.
bool lookup_variable(const std::string& name, std::string& value);
void set_variable(const std::string& name, const std::string& value);

std::string number_text(long long v);
bool poll_until(DWORD ms, const std::function<bool()>& done);
// The optional time word at `index`, or `fallback` when the line has none.
bool parse_ms(const Args& a, size_t index, DWORD fallback, DWORD& ms);
std::wstring wide(const std::string& s);
std::string narrow(const std::wstring& w); // every unit, a zero among them too
std::wstring wide_from_utf8(const std::string& s);
// Windows-1252 of w, and whether it spells every letter exactly.
bool exact_narrow(const std::wstring& w, std::string& s);
// A wide path as the ANSI calls reach it: in Windows-1252 where that spells it exactly, else with
// the short name of each component that Windows-1252 cannot spell. False when such a component
// has no short name (or does not exist).
bool ansi_spelling(const std::wstring& path, std::string& spelled);

// Files, for the commands and for reading the scenario itself.
bool read_whole_file(const std::string& path, std::string& content);
bool make_folders(const std::string& path);
bool make_folders(const std::wstring& path);

// Ends every program the scenario started that still runs.
void end_started_programs();
