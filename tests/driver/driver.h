// What the driver's command files share: the command table's shape, the program under test, the
// failure message of the running line, and the waits every command bounds itself by.
#pragma once
#include <windows.h>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

using Args = std::vector<std::string>; // the command word, then its words, expanded

struct Command {
    const char* name;
    size_t min_args; // words after the command
    size_t max_args; // kAny: any number
    bool (*run)(const Args&);
    const char* usage;
};
constexpr size_t kAny = static_cast<size_t>(-1);

// Each file of commands lists its own; the runner looks a line's command word up in all of them.
extern const std::vector<Command> kProgramCommands;  // program_win32.cpp: the target, its boxes
extern const std::vector<Command> kGadgetCommands;   // gadgets_win32.cpp: its window's controls
extern const std::vector<Command> kSystemCommands;   // system_win32.cpp: files, registry, links
extern const std::vector<Command> kSnapshotCommands; // snapshot_commands_win32.cpp

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
bool need_target();                 // fails the line when no program was started
bool need_main();                   // fails the line when there is no main window (any more)
std::vector<HWND> target_windows(); // visible top-level windows of the target, topmost first
HWND current_box();                 // the target's open message box, or null
bool is_box(HWND hwnd);
std::string window_class(HWND hwnd);
std::string window_title(HWND hwnd);
// A control's text through WM_GETTEXT: for controls of another process GetWindowText returns the
// creation caption, not what an edit control holds now.
bool control_text(HWND hwnd, std::string& text);
std::string describe_box(HWND box);
std::string describe_target(); // what the target shows right now, for failure messages
// Waits until the target's GUI thread has handled what was posted to it.
void settle();

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

// Files, for the commands and for reading the scenario itself.
bool read_whole_file(const std::string& path, std::string& content);
bool make_folders(const std::string& path);
// "nothing", "a folder" or "a file of N bytes".
std::string describe_path(const std::string& path);

// Ends every program the scenario started that still runs.
void end_started_programs();
