// The page procedures on the real wizard window, in-process: clicks are queued on the window's
// own thread before a page runs, so the page meets them in its event wait; message boxes are
// answered by a second thread.
#include <windows.h>
#include <string>
#include <vector>
#include "check.h"
#include "core/page_loop.h"
#include "core/session.h"
#include "core/startup.h"
#include "test_boxes.h"
#include "services/file_services.h"
#include "services/special_folders.h"
#include "ui/artwork.h"
#include "ui/folder_pages.h"
#include "ui/toolkit.h"
#include "ui/wizard_window.h"

namespace {

const std::string kExistsTitle = "Verzeichnis existiert!";

std::string exists_question(const std::string& folder) {
    return "Das Verzeichnis '" + folder +
           "' existiert bereits. Möchten Sie die Programme dennoch in dieses Verzeichnis "
           "installieren?";
}

void queue_click(int gadget) {
    PostMessageA(gadget_handle(gadget), BM_CLICK, 0, 0);
}

void queue_list_pick(int index) {
    HWND list = gadget_handle(StartMenuFolderList);
    // Posted, not sent: the page rebuilds the list on entry, before it meets the pick.
    PostMessageA(list, LB_SETCURSEL, WPARAM(index), 0);
    PostMessageA(window_handle(kWizardWindow), WM_COMMAND,
                 MAKEWPARAM(StartMenuFolderList, LBN_SELCHANGE), LPARAM(list));
}

// Clicks a gadget once a message box has come and gone: a click queued while the box is open
// would be eaten by the box's own message loop.
struct ClickAfterBox {
    explicit ClickAfterBox(int gadget) : gadget(gadget) {
        thread = CreateThread(nullptr, 0, run, this, 0, nullptr);
    }
    ~ClickAfterBox() {
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
    }
    static DWORD WINAPI run(void* self_pointer) {
        auto* self = static_cast<ClickAfterBox*>(self_pointer);
        wait_box(GetCurrentProcessId(), 10000);
        for (int i = 0; i < 500 && find_box().window; ++i)
            Sleep(20);
        PostMessageA(gadget_handle(self->gadget), BM_CLICK, 0, 0);
        return 0;
    }
    int gadget;
    HANDLE thread;
};

bool visible(int gadget) {
    return IsWindowVisible(gadget_handle(gadget)) != 0;
}

bool enabled(int gadget) {
    return IsWindowEnabled(gadget_handle(gadget)) != 0;
}

std::vector<std::string> list_items(int gadget) {
    HWND list = gadget_handle(gadget);
    std::vector<std::string> items;
    int count = int(SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        char text[300] = "";
        SendMessageA(list, LB_GETTEXT, WPARAM(i), LPARAM(text));
        items.push_back(text);
    }
    return items;
}

void test_system_check_page_blocks() {
    session.windows_name = "Windows XP";
    session.windows_supported = 1;
    session.has_directx7 = 0;
    session.has_direct3d = 1;
    session.page_index = 1;
    // Next is disabled; even a click that gets through must not move on. Back does.
    queue_click(NextButton);
    queue_click(BackButton);
    run_system_check_page();
    CHECK_EQ(session.page_index, 0);
    CHECK_EQ(read_gadget_text(OsNameField), std::string("Windows XP"));
    CHECK_EQ(gadget_value(OsCheckbox), 1);
    CHECK_EQ(gadget_value(DirectXCheckbox), 0);
    CHECK_EQ(gadget_value(Direct3DCheckbox), 1);
    CHECK_EQ(gadget_value(SystemOkCheckbox), 0);
    CHECK(!enabled(NextButton));

    session.has_directx7 = 1;
    session.page_index = 1;
    queue_click(NextButton);
    run_system_check_page();
    CHECK_EQ(session.page_index, 2);
    CHECK_EQ(gadget_value(SystemOkCheckbox), 1);
    CHECK(enabled(NextButton));
}

void test_licence_page() {
    set_gadget_value(LicenceAcceptCheckbox, 0);
    session.page_index = 2;
    queue_click(NextButton); // ignored: not accepted yet
    queue_click(LicenceAcceptCheckbox);
    queue_click(NextButton);
    run_licence_page();
    CHECK_EQ(session.page_index, 3);
    CHECK_EQ(gadget_value(LicenceAcceptCheckbox), 1);
    CHECK(visible(LicenceText) && !visible(SystemCheckHeader) && !visible(TargetHeader));
}

void test_target_folder_page(const std::string& root) {
    std::string existing = root + "\\Vorhanden";
    CreateDirectoryA(existing.c_str(), nullptr);

    // A trailing backslash is dropped before the question, which names the folder; No proposes
    // the product folder inside it, which does not exist, so the next Next takes it silently.
    session.existing_install = 0;
    session.target_folder = existing + "\\";
    session.page_index = 3;
    queue_click(NextButton);
    {
        ClickAfterBox again(NextButton);
        DialogAnswerer no(IDNO);
        run_target_folder_page();
        no.finish();
        CHECK(no.seen);
        CHECK_EQ(no.title, kExistsTitle);
        CHECK_EQ(no.text, exists_question(existing));
    }
    CHECK_EQ(session.page_index, 4);
    CHECK_EQ(session.target_folder, existing + "\\Kavento-Producer");
    CHECK(visible(TargetPathField) && enabled(TargetPathField) && enabled(BrowseButton));

    // Yes takes the existing folder.
    session.target_folder = existing;
    session.page_index = 3;
    queue_click(NextButton);
    {
        DialogAnswerer yes(IDYES);
        run_target_folder_page();
        yes.finish();
        CHECK(yes.seen);
    }
    CHECK_EQ(session.target_folder, existing);
    CHECK_EQ(session.page_index, 4);

    // An update never asks, and the folder cannot be changed.
    session.existing_install = 1;
    session.page_index = 3;
    queue_click(NextButton);
    {
        DialogAnswerer none(IDNO, 1500);
        run_target_folder_page();
        none.finish();
        CHECK(!none.seen);
    }
    CHECK_EQ(session.page_index, 4);
    CHECK_EQ(session.target_folder, existing);
    CHECK(!enabled(TargetPathField));
    CHECK(!enabled(BrowseButton));

    // Back stores the folder without checks, minus one trailing backslash.
    session.existing_install = 0;
    session.target_folder = "C:\\Neu\\Ziel\\";
    session.page_index = 3;
    queue_click(BackButton);
    run_target_folder_page();
    CHECK_EQ(session.page_index, 2);
    CHECK_EQ(session.target_folder, std::string("C:\\Neu\\Ziel"));
}

void test_start_menu_page(const std::string& menu) {
    CreateDirectoryA((menu + "\\Spiele").c_str(), nullptr);
    HANDLE file = CreateFileA((menu + "\\Datei.txt").c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, 0, nullptr);
    CloseHandle(file);

    session.start_menu_folder = "Kavento-Producer";
    session.make_start_menu_links = 1;
    session.page_index = 4;
    queue_list_pick(1);
    queue_click(NoShortcutsCheckbox);
    queue_click(NextButton);
    run_start_menu_page();
    CHECK_EQ(session.page_index, 5);
    std::vector<std::string> items = list_items(StartMenuFolderList);
    bool has_games = false;
    for (const std::string& item : items) {
        CHECK(item != "." && item != ".." && item != "Datei.txt");
        has_games = has_games || item == "Spiele";
    }
    CHECK(has_games);
    CHECK(items.size() >= 2);
    if (items.size() >= 2) CHECK_EQ(session.start_menu_folder, items[1] + "\\Kavento-Producer");
    CHECK_EQ(int(session.make_start_menu_links), 0);
    CHECK(!enabled(StartMenuFolderField) && !enabled(StartMenuFolderList));

    // Coming back: the choice is remembered, the list is built afresh.
    session.page_index = 4;
    queue_click(BackButton);
    run_start_menu_page();
    CHECK_EQ(session.page_index, 3);
    CHECK_EQ(gadget_value(NoShortcutsCheckbox), 1);
    CHECK(!enabled(StartMenuFolderField) && !enabled(StartMenuFolderList));
    CHECK_EQ(list_items(StartMenuFolderList).size(), items.size());
    // The proposed name is fully selected, so typing replaces it (the focus, which the queued
    // click has moved on to Back, is checked end to end).
    DWORD from = 99, to = 0;
    SendMessageA(gadget_handle(StartMenuFolderField), EM_GETSEL, WPARAM(&from), LPARAM(&to));
    CHECK_EQ(from, DWORD(0));
    CHECK_EQ(to, DWORD(session.start_menu_folder.size()));

    session.page_index = 4;
    queue_click(NoShortcutsCheckbox);
    queue_click(NextButton);
    run_start_menu_page();
    CHECK_EQ(int(session.make_start_menu_links), 1);
    CHECK(enabled(StartMenuFolderField) && enabled(StartMenuFolderList));
}

// With no start menu to list, the page says so and sends the user back to the target folder.
void test_start_menu_missing() {
    const char* key = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
    const char* nowhere = "Q:\\kein\\Startmenue";
    HKEY machine, user;
    RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_ALL_ACCESS, &machine);
    RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_ALL_ACCESS, &user);
    RegSetValueExA(machine, "Common Programs", 0, REG_SZ, reinterpret_cast<const BYTE*>(nowhere),
                   DWORD(strlen(nowhere) + 1));
    RegSetValueExA(user, "Programs", 0, REG_SZ, reinterpret_cast<const BYTE*>(nowhere),
                   DWORD(strlen(nowhere) + 1));
    RegCloseKey(machine);
    RegCloseKey(user);

    session.page_index = 4;
    DialogAnswerer ok(IDOK);
    run_start_menu_page();
    ok.finish();
    CHECK(ok.seen);
    CHECK_EQ(ok.title, std::string("Fehler"));
    CHECK_EQ(ok.text, std::string("Das Startmenü kann nicht nach Ordnern durchsucht werden."));
    CHECK_EQ(session.page_index, 3);
    CHECK(list_items(StartMenuFolderList).empty());
}

void test_shortcuts_page() {
    session.make_desktop_link_producer = 1;
    session.make_desktop_link_player = 0;
    session.page_index = 5;
    queue_click(DesktopProducerCheckbox);
    queue_click(DesktopPlayerCheckbox);
    queue_click(NextButton); // hidden on this page: no reaction
    queue_click(BackButton);
    run_shortcuts_page();
    CHECK_EQ(session.page_index, 4);
    CHECK_EQ(int(session.make_desktop_link_producer), 0);
    CHECK_EQ(int(session.make_desktop_link_player), 1);
    CHECK(visible(InstallButton) && !visible(NextButton));

    session.page_index = 5;
    queue_click(InstallButton);
    run_shortcuts_page();
    CHECK_EQ(session.page_index, 6);
    CHECK_EQ(gadget_value(DesktopProducerCheckbox), 0);
    CHECK_EQ(gadget_value(DesktopPlayerCheckbox), 1);
}

} // namespace

int main() {
    reset_session(GetModuleHandleA(nullptr));
    toolkit_init();
    services_init();
    draw_wizard_artwork();
    build_wizard_window();

    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string root = std::string(temp) + "kvpages";
    CreateDirectoryA(root.c_str(), nullptr);

    test_system_check_page_blocks();
    test_licence_page();
    test_target_folder_page(root);
    test_start_menu_page(special_folder_path(0x17));
    test_shortcuts_page();
    test_start_menu_missing();
    return check_report();
}
