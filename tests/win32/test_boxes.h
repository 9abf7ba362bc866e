// Message boxes in the Win32 tests: finding the standard box (class "#32770") that a program
// shows, reading it, and answering it from a second thread while the test's own thread waits in
// the call that opened it.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

constexpr DWORD kAnyProcess = 0;

struct FoundBox {
    HWND window = nullptr; // null: no box
    DWORD process = 0;
    std::string title;
    std::string text;
};

// The first visible standard box of `process` (kAnyProcess: of any process), with its title and
// its text (the static control 0xFFFF).
inline FoundBox find_box(DWORD process = GetCurrentProcessId()) {
    struct Search {
        DWORD process;
        FoundBox box;
        static BOOL CALLBACK visit(HWND window, LPARAM self) {
            auto* search = reinterpret_cast<Search*>(self);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            char name[16] = "";
            GetClassNameA(window, name, sizeof name);
            if ((search->process != kAnyProcess && owner != search->process) ||
                std::string(name) != "#32770" || !IsWindowVisible(window))
                return TRUE;
            char text[8192] = "";
            GetWindowTextA(window, text, sizeof text);
            search->box = {window, owner, text, ""};
            text[0] = 0;
            GetWindowTextA(GetDlgItem(window, 0xFFFF), text, sizeof text);
            search->box.text = text;
            return FALSE;
        }
    } search{process, {}};
    EnumWindows(Search::visit, reinterpret_cast<LPARAM>(&search));
    return search.box;
}

// The box of `process` as soon as there is one, within ms.
inline FoundBox wait_box(DWORD process = GetCurrentProcessId(), DWORD ms = 20000) {
    FoundBox box;
    for (DWORD start = GetTickCount(); !(box = find_box(process)).window;) {
        if (GetTickCount() - start >= ms) break;
        Sleep(20);
    }
    return box;
}

// Answers the message box that the test's own thread is about to open: a second thread waits for
// a box of this process, notes its title and text (and whatever the test wants to know while it
// is open), and posts the chosen button.
class DialogAnswerer {
  public:
    // answer: the button's command id (IDOK, IDYES, IDNO). while_open runs on the answering
    // thread while the box is open, before the answer is posted.
    explicit DialogAnswerer(int answer, DWORD timeout_ms = 10000,
                            std::function<void(HWND)> while_open = nullptr)
        : answer_(answer), timeout_ms_(timeout_ms), while_open_(std::move(while_open)) {
        thread_ = CreateThread(nullptr, 0, run, this, 0, nullptr);
    }
    ~DialogAnswerer() { finish(); }
    DialogAnswerer(const DialogAnswerer&) = delete;
    DialogAnswerer& operator=(const DialogAnswerer&) = delete;

    // Waits for the answering thread; afterwards seen, title and text are settled.
    void finish() {
        if (!thread_) return;
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
        thread_ = nullptr;
    }

    bool seen = false;
    std::string title;
    std::string text;
    HWND owner = nullptr;

  private:
    static DWORD WINAPI run(void* self_pointer) {
        auto* self = static_cast<DialogAnswerer*>(self_pointer);
        FoundBox box = wait_box(GetCurrentProcessId(), self->timeout_ms_);
        if (!box.window) return 0;
        self->seen = true;
        self->title = box.title;
        self->text = box.text;
        self->owner = GetWindow(box.window, GW_OWNER);
        if (self->while_open_) self->while_open_(box.window);
        PostMessageA(box.window, WM_COMMAND, MAKEWPARAM(self->answer_, BN_CLICKED), 0);
        return 0;
    }

    int answer_;
    DWORD timeout_ms_;
    std::function<void(HWND)> while_open_;
    HANDLE thread_ = nullptr;
};
