// The driver's own test target: one window with a gadget of every kind the wizard uses, message
// boxes on some clicks, and a chosen exit code. Arguments: "early" shows a box before the window
// exists; "exit=N" sets the exit code; "title=T" (last) the window title.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

enum FixtureGadget {
    AskButton = 10,
    HideButton = 11,
    TargetButton = 12,
    ActiveCheckbox = 13,
    ItemList = 14,
    NameField = 15,
    Progress = 16,
    RunButton = 17,
    EndButton = 18,
    WriteButton = 19,
    LinkButton = 20,
    ErrorButton = 21,
    ChildButton = 22,
    FolderButton = 23,
    ResultText = 30,
    LengthText = 31,
    VersionText = 32,
    DdrawText = 33,
};

constexpr UINT_PTR kProgressTimer = 1;
const char* const kTitle = "Fixture";
std::string window_title = kTitle;

unsigned long exit_code = 0;
HWND window = nullptr;

HWND make(const char* cls, const char* text, DWORD style, int id, int x, int y, int w, int h) {
    HWND c = CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, window,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                             GetModuleHandleA(nullptr), nullptr);
    SendMessageA(c, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), 0);
    return c;
}

void set_result(const std::string& text) {
    SetDlgItemTextA(window, ResultText, text.c_str());
}

void write_outputs() {
    CreateDirectoryA("C:\\fixture", nullptr);
    HANDLE h =
        CreateFileA("C:\\fixture\\out.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    const char text[] = "eins\r\nzwei\r\n";
    DWORD written;
    WriteFile(h, text, sizeof text - 1, &written, nullptr);
    CloseHandle(h);
    HKEY k;
    RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\KvFixture", 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                    &k, nullptr);
    DWORD seven = 7;
    RegSetValueExA(k, "Zahl", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&seven), 4);
    RegSetValueExA(k, "Name", 0, REG_SZ, reinterpret_cast<const BYTE*>("Wert"), 5);
    RegCloseKey(k);
    set_result("geschrieben");
}

void make_link() {
    CreateDirectoryA("C:\\fixture", nullptr);
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    IShellLinkA* link = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   reinterpret_cast<void**>(&link)))) {
        link->SetPath(self);
        link->SetDescription("Fixture-Verknüpfung");
        link->SetIconLocation(self, 1);
        link->SetShowCmd(SW_SHOWMINNOACTIVE);
        link->SetArguments("exit=5");
        link->SetWorkingDirectory("C:\\fixture");
        IPersistFile* file = nullptr;
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            file->Save(L"C:\\fixture\\Fixture.lnk", TRUE);
            file->Release();
        }
        link->Release();
    }
    set_result("verknüpft");
}

void on_command(int id, int code, HWND control) {
    switch (id) {
    case AskButton:
        set_result(MessageBoxA(window, "Möchten Sie wirklich fortfahren?", kTitle, MB_YESNO) ==
                           IDYES
                       ? "Ja"
                       : "Nein");
        break;
    case HideButton: {
        HWND target = GetDlgItem(window, TargetButton);
        ShowWindow(target, IsWindowVisible(target) ? SW_HIDE : SW_SHOW);
        break;
    }
    case TargetButton:
        set_result("Ziel gedrückt");
        break;
    case ActiveCheckbox:
        EnableWindow(GetDlgItem(window, TargetButton),
                     SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED);
        break;
    case ItemList:
        if (code == LBN_SELCHANGE) {
            LRESULT i = SendMessageA(control, LB_GETCURSEL, 0, 0);
            char item[64] = "";
            if (i != LB_ERR) SendMessageA(control, LB_GETTEXT, i, reinterpret_cast<LPARAM>(item));
            set_result(item);
        }
        break;
    case NameField:
        if (code == EN_CHANGE) {
            std::string text = "Länge " + std::to_string(GetWindowTextLengthA(control));
            SetDlgItemTextA(window, LengthText, text.c_str());
        }
        break;
    case RunButton:
        SendDlgItemMessageA(window, Progress, PBM_SETPOS, 0, 0);
        SetTimer(window, kProgressTimer, 30, nullptr);
        break;
    case EndButton:
        DestroyWindow(window);
        break;
    case WriteButton:
        write_outputs();
        break;
    case LinkButton:
        make_link();
        break;
    case ChildButton: {
        // A second copy of this program, as an installer starts the program it installed.
        char self[MAX_PATH];
        GetModuleFileNameA(nullptr, self, MAX_PATH);
        std::string command = std::string("\"") + self + "\" exit=9 title=Kind";
        STARTUPINFOA si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        if (CreateProcessA(self, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                           &pi)) {
            CloseHandle(pi.hThread);
            CloseHandle(pi.hProcess);
        }
        break;
    }
    case FolderButton: {
        BROWSEINFOA info{};
        info.hwndOwner = window;
        info.lpszTitle = "Ordner suchen";
        info.ulFlags = BIF_RETURNONLYFSDIRS;
        LPITEMIDLIST picked = SHBrowseForFolderA(&info);
        char path[MAX_PATH] = "";
        if (picked) {
            SHGetPathFromIDListA(picked, path);
            CoTaskMemFree(picked);
        }
        set_result(picked ? path : "abgebrochen");
        break;
    }
    case ErrorButton:
        MessageBoxA(window, "Zeile eins\nZeile zwei", "Fehler", MB_OK | MB_ICONERROR);
        break;
    }
}

LRESULT CALLBACK window_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_COMMAND:
        on_command(LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp));
        return 0;
    case WM_TIMER: {
        LRESULT pos = SendDlgItemMessageA(hwnd, Progress, PBM_GETPOS, 0, 0);
        if (pos >= 100)
            KillTimer(hwnd, kProgressTimer);
        else
            SendDlgItemMessageA(hwnd, Progress, PBM_SETPOS, pos + 10, 0);
        return 0;
    }
    case WM_CLOSE:
        if (MessageBoxA(hwnd, "Wirklich beenden?", kTitle, MB_YESNO | MB_ICONQUESTION) == IDYES)
            DestroyWindow(hwnd);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

std::string version_text() {
    OSVERSIONINFOA v{};
    v.dwOSVersionInfoSize = sizeof v;
    GetVersionExA(&v);
    char text[64];
    std::snprintf(text, sizeof text, "%lu.%lu.%lu", v.dwMajorVersion, v.dwMinorVersion,
                  v.dwBuildNumber & 0xFFFF);
    return text;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR command_line, int) {
    CoInitialize(nullptr);
    if (const char* e = std::strstr(command_line, "exit="))
        exit_code = std::strtoul(e + 5, nullptr, 10);
    if (const char* t = std::strstr(command_line, "title=")) window_title = t + 6;
    if (std::strstr(command_line, "early"))
        MessageBoxA(nullptr, "Früh: Größe – 5 €", "Fixture früh", MB_OK);

    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&icc);
    WNDCLASSA wc{};
    wc.lpfnWndProc = window_proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = "KvFixture";
    RegisterClassA(&wc);
    window = CreateWindowExA(0, "KvFixture", window_title.c_str(),
                             WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 100, 100, 420, 330, nullptr,
                             nullptr, instance, nullptr);

    make("BUTTON", "Frage", BS_PUSHBUTTON, AskButton, 10, 10, 90, 24);
    make("BUTTON", "Verstecken", BS_PUSHBUTTON, HideButton, 110, 10, 90, 24);
    EnableWindow(make("BUTTON", "Ziel", BS_PUSHBUTTON, TargetButton, 210, 10, 90, 24), FALSE);
    make("BUTTON", "Aktiv", BS_AUTOCHECKBOX, ActiveCheckbox, 310, 10, 90, 24);
    HWND list = make("LISTBOX", "", WS_BORDER | LBS_NOTIFY, ItemList, 10, 44, 190, 80);
    for (const char* item : {"Alpha", "Beta", "Gämma"})
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
    HWND name = make("EDIT", "Start", WS_BORDER | ES_AUTOHSCROLL, NameField, 210, 44, 190, 22);
    HWND bar = make(PROGRESS_CLASSA, "", 0, Progress, 210, 74, 190, 20);
    SendMessageA(bar, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    make("BUTTON", "Laufen", BS_PUSHBUTTON, RunButton, 10, 134, 90, 24);
    make("BUTTON", "Ende", BS_PUSHBUTTON, EndButton, 110, 134, 90, 24);
    make("BUTTON", "Schreiben", BS_PUSHBUTTON, WriteButton, 210, 134, 90, 24);
    make("BUTTON", "Verknüpfung", BS_PUSHBUTTON, LinkButton, 310, 134, 90, 24);
    make("BUTTON", "Fehler", BS_PUSHBUTTON, ErrorButton, 10, 164, 90, 24);
    make("BUTTON", "Kind", BS_PUSHBUTTON, ChildButton, 110, 164, 90, 24);
    make("BUTTON", "Ordner", BS_PUSHBUTTON, FolderButton, 210, 164, 90, 24);
    make("STATIC", "", 0, ResultText, 10, 200, 190, 20);
    make("STATIC", "", 0, LengthText, 210, 200, 190, 20);
    make("STATIC", version_text().c_str(), 0, VersionText, 10, 230, 190, 20);
    HMODULE ddraw = LoadLibraryA("ddraw.dll");
    make("STATIC", ddraw ? "ddraw: ja" : "ddraw: nein", 0, DdrawText, 210, 230, 190, 20);
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    SetFocus(name);

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(exit_code);
}
