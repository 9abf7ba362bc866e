// The message box: the answer codes, the owner, and which of the program's windows are disabled
// while it is open.
#include <windows.h>
#include "check.h"
#include "test_boxes.h"
#include "ui/dialogs.h"

namespace {

HWND make_window(const char* title, bool visible) {
    HWND window = CreateWindowExA(0, "KvMessageBoxTest", title, WS_OVERLAPPEDWINDOW, 10, 10, 300,
                                  200, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (visible) ShowWindow(window, SW_SHOWNORMAL);
    return window;
}

void test_answers() {
    {
        DialogAnswerer answer(IDYES);
        CHECK_EQ(message_box("Kavento-Install", "Wirklich abbrechen?", kButtonsYesNo), 6);
        answer.finish();
        CHECK(answer.seen);
        CHECK_EQ(answer.title, std::string("Kavento-Install"));
        CHECK_EQ(answer.text, std::string("Wirklich abbrechen?"));
    }
    {
        DialogAnswerer answer(IDNO);
        CHECK_EQ(message_box("Frage", "Ja oder nein?", kButtonsYesNo), 7);
    }
    {
        DialogAnswerer answer(IDOK);
        CHECK_EQ(message_box("Erfolgreich installiert", "Fertig."), 1);
        answer.finish();
        CHECK_EQ(answer.title, std::string("Erfolgreich installiert"));
    }
}

void test_window_disabling() {
    HWND wizard = make_window("wizard", true);
    HWND second = make_window("second", true);
    HWND already_disabled = make_window("disabled before", true);
    HWND hidden = make_window("hidden", false);
    HWND gadget = CreateWindowExA(0, "BUTTON", "Weiter", WS_CHILD | WS_VISIBLE | WS_DISABLED, 5, 5,
                                  80, 24, wizard, nullptr, GetModuleHandleA(nullptr), nullptr);
    EnableWindow(already_disabled, FALSE);
    SetForegroundWindow(wizard);
    CHECK(dialog_owner() == wizard);

    bool wizard_enabled = true, other_enabled = true, hidden_enabled = false;
    DialogAnswerer answer(IDYES, 10000, [&](HWND) {
        wizard_enabled = IsWindowEnabled(wizard) != FALSE;
        other_enabled = IsWindowEnabled(second) != FALSE;
        hidden_enabled = IsWindowEnabled(hidden) != FALSE;
    });
    CHECK_EQ(message_box("Verzeichnis existiert!", "Trotzdem?", kButtonsYesNo), 6);
    answer.finish();
    CHECK(answer.seen);
    CHECK(!wizard_enabled);
    CHECK(!other_enabled); // not the owner: the system would leave it enabled
    CHECK(hidden_enabled); // invisible windows are not touched
    CHECK(answer.owner == wizard);

    CHECK(IsWindowEnabled(wizard));
    CHECK(IsWindowEnabled(second));
    CHECK(!IsWindowEnabled(already_disabled));
    CHECK(IsWindowEnabled(hidden));
    CHECK(!IsWindowEnabled(gadget)); // a disabled gadget stays disabled

    // A dialog opened inside another one enables only what it disabled itself.
    disable_thread_windows();
    HWND late = make_window("opened during the first dialog", true);
    disable_thread_windows();
    CHECK(!IsWindowEnabled(late));
    enable_thread_windows();
    CHECK(IsWindowEnabled(late));
    CHECK(!IsWindowEnabled(wizard));
    enable_thread_windows();
    CHECK(IsWindowEnabled(wizard));
    CHECK(!IsWindowEnabled(already_disabled));

    // A window destroyed while a dialog is open is forgotten without harm.
    disable_thread_windows();
    DestroyWindow(late);
    enable_thread_windows();
    CHECK(IsWindowEnabled(wizard));
    // An unmatched enable does nothing.
    enable_thread_windows();
    CHECK(!IsWindowEnabled(already_disabled));

    DestroyWindow(wizard);
    DestroyWindow(second);
    DestroyWindow(already_disabled);
    DestroyWindow(hidden);
}

} // namespace

int main() {
    WNDCLASSA cls = {};
    cls.lpfnWndProc = DefWindowProcA;
    cls.hInstance = GetModuleHandleA(nullptr);
    cls.lpszClassName = "KvMessageBoxTest";
    RegisterClassA(&cls);

    // Before any window of the program exists there is no owner of ours.
    CHECK(dialog_owner() == nullptr);
    test_answers();
    test_window_disabling();
    return check_report();
}
