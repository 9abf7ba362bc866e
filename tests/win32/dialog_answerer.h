// Answers the message box that the test's own thread is about to open: a second thread waits for
// a "#32770" window of this process, notes its title and text (and whatever the test wants to
// know while it is open), and posts the chosen button.
#pragma once
#include <windows.h>
#include <functional>
#include <string>

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
    static BOOL CALLBACK find_box(HWND window, LPARAM found) {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        char cls[32] = "";
        GetClassNameA(window, cls, sizeof cls);
        if (process == GetCurrentProcessId() && std::string(cls) == "#32770" &&
            IsWindowVisible(window)) {
            *reinterpret_cast<HWND*>(found) = window;
            return FALSE;
        }
        return TRUE;
    }

    static DWORD WINAPI run(void* self_pointer) {
        auto* self = static_cast<DialogAnswerer*>(self_pointer);
        DWORD start = GetTickCount();
        while (GetTickCount() - start < self->timeout_ms_) {
            HWND box = nullptr;
            EnumWindows(find_box, LPARAM(&box));
            if (box) {
                self->seen = true;
                char buffer[1024] = "";
                GetWindowTextA(box, buffer, sizeof buffer);
                self->title = buffer;
                buffer[0] = 0;
                GetWindowTextA(GetDlgItem(box, 0xFFFF), buffer, sizeof buffer);
                self->text = buffer;
                self->owner = GetWindow(box, GW_OWNER);
                if (self->while_open_) self->while_open_(box);
                PostMessageA(box, WM_COMMAND, MAKEWPARAM(self->answer_, BN_CLICKED), 0);
                return 0;
            }
            Sleep(20);
        }
        return 0;
    }

    int answer_;
    DWORD timeout_ms_;
    std::function<void(HWND)> while_open_;
    HANDLE thread_ = nullptr;
};
