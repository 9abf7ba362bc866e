// The wizard window right after build_wizard_window: every gadget of the layout with its class,
// styles, place, text and state, and a screenshot of the welcome page for the documentation.
#include <windows.h>
#include <commctrl.h>
#include <oleacc.h>
#include <richedit.h>
#include <cstdlib>
#include <initializer_list>
#include <string>
#include <vector>

#include "check.h"
#include "test_linux.h"
#include "core/session.h"
#include "ui/artwork.h"
#include "ui/licence_text.h"
#include "ui/page_table.h"
#include "ui/pictures.h"
#include "ui/toolkit.h"
#include "ui/wizard_window.h"

namespace {

enum Kind { Button, Checkbox, Label, Frame, Field, List, Editor, Image, Progress };

struct Expected {
    int number;
    Kind kind;
    int x, y, width, height;
    const char* text;
};

// The layout, in creation order.
const Expected kLayout[] = {
    {37, Button, 280, 324, 80, 24, "Weiter >"},
    {39, Button, 380, 324, 80, 24, "Abbrechen"},
    {38, Button, 190, 324, 80, 24, "< Zurück"},
    {36, Button, 280, 324, 80, 24, "Installieren"},
    {2, Image, 0, 0, 160, 310, nullptr},
    {3, Image, 160, 0, 320, 310, nullptr},
    {4, Image, 0, 0, 480, 60, nullptr},
    {5, Checkbox, 40, 80, 40, 20, ""},
    {10, Label, 60, 83, 220, 20, "Betriebssystem (Windows 98 oder aktueller):"},
    {6, Field, 320, 80, 100, 20, ""},
    {7, Checkbox, 40, 110, 40, 20, ""},
    {12, Label, 60, 113, 220, 20, "DirectX 7 oder höher verfügbar"},
    {8, Checkbox, 40, 140, 40, 20, ""},
    {13, Label, 60, 143, 220, 20, "Direct3D verfügbar"},
    {9, Checkbox, 40, 240, 40, 20, ""},
    {14, Label, 60, 243, 220, 20, "Der PC erfüllt die Systemvoraussetztungen."},
    {15, Image, 0, 0, 480, 60, nullptr},
    {16, Editor, 20, 80, 440, 188, nullptr},
    {17, Checkbox, 20, 285, 440, 20, "Ja, ich akzeptiere die Lizenzbedingungen."},
    {18, Image, 0, 0, 480, 60, nullptr},
    {19, Label, 20, 80, 440, 60,
     "Die Programme werden in das unten angegebene Verzeichnis installiert. Falls Sie in ein\r"
     "anderes Verzeichnis installieren möchten, klicken Sie auf Durchsuchen und wählen\r"
     "dann ein anderes Verzeichnis aus. Klicken Sie auf Weiter um fortzufahren."},
    {20, Frame, 20, 240, 440, 60, "Zielverzeichnis"},
    {21, Field, 40, 262, 300, 20, ""},
    {22, Button, 360, 260, 80, 25, "Durchsuchen"},
    {23, Image, 0, 0, 480, 60, nullptr},
    {24, Label, 20, 80, 440, 40,
     "Wählen Sie den Startmenü-Ordner für die Programmverknüpfungen aus. Falls Sie einen\r"
     "neuen Ordner erstellen möchten, geben Sie dessen Namen ein."},
    {25, Field, 20, 120, 440, 20, ""},
    {26, List, 20, 145, 440, 130, nullptr},
    {27, Checkbox, 20, 285, 440, 20, "Keine Verknüpfungen erstellen"},
    {28, Image, 0, 0, 480, 60, nullptr},
    {29, Frame, 20, 80, 440, 100, "Symbole erstellen ..."},
    {30, Checkbox, 40, 105, 350, 20, "Verküpfung auf dem Dekstop für den Kavento-Producer anlegen"},
    {31, Checkbox, 40, 140, 350, 20, "Verküpfung auf dem Dekstop für den Kavento-Player anlegen"},
    {32, Image, 0, 0, 480, 60, nullptr},
    {33, Frame, 20, 120, 440, 70, "Fortschritt:"},
    {34, Progress, 40, 143, 400, 30, nullptr},
    {35, Checkbox, 20, 285, 440, 20, "Nach dem Fertigstellen den Kavento-Producer starten"},
};

const char* native_class(Kind kind) {
    switch (kind) {
    case Button:
    case Checkbox:
    case Frame:
        return "Button";
    case Label:
    case Image:
        return "Static";
    case Field:
        return "Edit";
    case List:
        return "ListBox";
    case Progress:
        return "msctls_progress32";
    case Editor:
        return "RichEdit20A";
    }
    return "";
}

std::string class_of(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof(name));
    return name;
}

RECT rect_in_parent(HWND control) {
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

BOOL CALLBACK collect_child(HWND child, LPARAM data) {
    reinterpret_cast<std::vector<HWND>*>(data)->push_back(child);
    return TRUE;
}

std::vector<HWND> children_of(HWND window) {
    std::vector<HWND> found;
    EnumChildWindows(window, collect_child, reinterpret_cast<LPARAM>(&found));
    std::vector<HWND> direct;
    for (HWND h : found)
        if (GetParent(h) == window) direct.push_back(h);
    return direct;
}

void check_window(HWND window) {
    CHECK(IsWindowVisible(window));
    CHECK_EQ(class_of(window), std::string("WindowClass_0"));
    char title[64] = {};
    GetWindowTextA(window, title, sizeof(title));
    CHECK_EQ(std::string(title), std::string("Kavento-Install"));
    RECT client;
    GetClientRect(window, &client);
    CHECK_EQ(int(client.right - client.left), 480);
    CHECK_EQ(int(client.bottom - client.top), 360);
    LONG style = GetWindowLongA(window, GWL_STYLE);
    CHECK((style & WS_CAPTION) == WS_CAPTION);
    CHECK(style & WS_SYSMENU);
    CHECK(style & WS_MINIMIZEBOX);
    CHECK(!(style & WS_MAXIMIZEBOX));
    CHECK(!(style & WS_THICKFRAME));
    // Centred by integer halves of screen and frame.
    RECT frame;
    GetWindowRect(window, &frame);
    int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    int fw = frame.right - frame.left, fh = frame.bottom - frame.top;
    CHECK_EQ(int(frame.left), sw / 2 - (fw < sw ? fw : sw) / 2);
    CHECK_EQ(int(frame.top), sh / 2 - (fh < sh ? fh : sh) / 2);
    CHECK_EQ(GetSysColor(COLOR_BTNFACE), [&] {
        HDC dc = GetDC(window);
        // An uncovered point of the client area: below the pictures, left of Back.
        COLORREF c = GetPixel(dc, 5, 340);
        ReleaseDC(window, dc);
        return c;
    }());
}

void check_gadgets(HWND window) {
    for (const Expected& e : kLayout) {
        HWND h = gadget_handle(e.number);
        CHECK(h != nullptr);
        if (!h) continue;
        CHECK(GetDlgItem(window, e.number) == h);
        CHECK_EQ(class_of(h), std::string(native_class(e.kind)));
        LONG style = GetWindowLongA(h, GWL_STYLE);
        LONG ex = GetWindowLongA(h, GWL_EXSTYLE);
        CHECK(style & WS_CHILD);
        RECT r = rect_in_parent(h);
        CHECK_EQ(int(r.left), e.x);
        CHECK_EQ(int(r.top), e.y);
        if (e.kind != Image) {
            CHECK_EQ(int(r.right - r.left), e.width);
            CHECK_EQ(int(r.bottom - r.top), e.height);
        }
        if (e.text) CHECK_EQ(read_gadget_text(e.number), std::string(e.text));
        bool tab_stop = (style & WS_TABSTOP) != 0;
        switch (e.kind) {
        case Button:
            CHECK_EQ(int(style & BS_TYPEMASK), int(BS_PUSHBUTTON));
            CHECK(tab_stop && (style & WS_GROUP));
            break;
        case Checkbox:
            CHECK_EQ(int(style & BS_TYPEMASK), int(BS_AUTOCHECKBOX));
            CHECK(tab_stop && (style & WS_GROUP));
            CHECK_EQ(gadget_value(e.number), 0);
            break;
        case Frame:
            CHECK_EQ(int(style & BS_TYPEMASK), int(BS_GROUPBOX));
            CHECK(!tab_stop);
            break;
        case Label:
            CHECK_EQ(int(style & SS_TYPEMASK), int(SS_LEFT));
            CHECK(!tab_stop);
            break;
        case Image: {
            CHECK_EQ(int(style & SS_TYPEMASK), int(SS_BITMAP));
            HBITMAP shown =
                reinterpret_cast<HBITMAP>(SendMessageA(h, STM_GETIMAGE, IMAGE_BITMAP, 0));
            CHECK(shown != nullptr);
            BITMAP bm = {};
            GetObjectA(shown, sizeof(bm), &bm);
            // The control takes its picture's size.
            CHECK_EQ(int(r.right - r.left), int(bm.bmWidth));
            CHECK_EQ(int(r.bottom - r.top), int(bm.bmHeight));
            CHECK_EQ(int(r.right - r.left), e.width);
            CHECK_EQ(int(r.bottom - r.top), e.height);
            break;
        }
        case Field:
            // The read-only Windows name only shows something: no tab stop.
            CHECK_EQ(tab_stop, e.number != OsNameField);
            CHECK(style & ES_AUTOHSCROLL);
            CHECK(ex & WS_EX_CLIENTEDGE);
            CHECK_EQ(bool(style & ES_READONLY), e.number == OsNameField);
            CHECK_EQ(bool(style & ES_NOHIDESEL), e.number == StartMenuFolderField);
            break;
        case List:
            CHECK(tab_stop && (style & LBS_NOTIFY) && (style & LBS_HASSTRINGS) &&
                  (style & LBS_NOINTEGRALHEIGHT));
            CHECK(ex & WS_EX_CLIENTEDGE);
            CHECK_EQ(int(SendMessageA(h, LB_GETCOUNT, 0, 0)), 0);
            break;
        case Editor:
            CHECK(tab_stop && (style & ES_MULTILINE));
            CHECK(ex & WS_EX_CLIENTEDGE);
            break;
        case Progress:
            CHECK(!tab_stop);
            CHECK_EQ(int(SendMessageA(h, PBM_GETRANGE, TRUE, 0)), 0);
            CHECK_EQ(int(SendMessageA(h, PBM_GETRANGE, FALSE, 0)), 100);
            CHECK_EQ(gadget_value(e.number), 0);
            break;
        }
        // Gadgets with text keep the default GUI font (pictures and progress bars keep no font,
        // and the rich-text viewer turns the font it is given into a character format).
        if (e.kind != Image && e.kind != Progress && e.kind != Editor)
            CHECK(reinterpret_cast<HFONT>(SendMessageA(h, WM_GETFONT, 0, 0)) ==
                  static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)));
        // Only Next and Cancel are on the screen; only the four system-check boxes are disabled.
        CHECK_EQ(bool(IsWindowVisible(h)), e.number == NextButton || e.number == CancelButton);
        bool check_box = e.number == OsCheckbox || e.number == DirectXCheckbox ||
                         e.number == Direct3DCheckbox || e.number == SystemOkCheckbox;
        CHECK_EQ(bool(IsWindowEnabled(h)), !check_box);
    }

    // The order Tab walks (the children's Z order) is the screen's: the page gadgets in the
    // order they were made, each page top to bottom, then the four buttons from left to right,
    // which were made first.
    std::vector<int> tab_order;
    for (const Expected& e : kLayout)
        if (e.number < InstallButton) tab_order.push_back(e.number);
    for (int button : {BackButton, NextButton, InstallButton, CancelButton})
        tab_order.push_back(button);
    std::vector<HWND> children = children_of(window);
    CHECK_EQ(children.size(), tab_order.size());
    for (size_t i = 0; i < children.size() && i < tab_order.size(); ++i)
        CHECK_EQ(int(GetWindowLongA(children[i], GWL_ID)), tab_order[i]);

    // Never created: no window, and every operation leaves nothing behind.
    for (int absent : {0, 1, 11}) {
        CHECK(gadget_handle(absent) == nullptr);
        CHECK(GetDlgItem(window, absent) == nullptr);
        set_gadget_hidden(absent, 0);
        set_gadget_disabled(absent, 1);
        set_gadget_value(absent, 1);
        write_gadget_text(absent, "x");
        insert_list_item(absent, -1, "x");
        focus_gadget(absent);
        CHECK_EQ(gadget_value(absent), 0);
        CHECK_EQ(read_gadget_text(absent), std::string());
    }
    CHECK_EQ(children_of(window).size(), children.size());
}

// Every fixed text fits its gadget in the gadget's own font, line by line (a CR starts a line):
// a text laid out for Windows' dialog font that is wider in the font at hand wraps and is cut off.
void check_texts_fit() {
    for (const Expected& e : kLayout) {
        if (!e.text || !*e.text || e.kind == Field) continue;
        HWND h = gadget_handle(e.number);
        if (!h) continue;
        // Room left beside a check box's box, after a frame's caption indent, inside a button's
        // edges.
        int room = e.width - (e.kind == Checkbox ? 20
                              : e.kind == Frame  ? 16
                              : e.kind == Button ? 8
                                                 : 0);
        HDC dc = GetDC(h);
        HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(h, WM_GETFONT, 0, 0)));
        TEXTMETRICA metrics = {};
        GetTextMetricsA(dc, &metrics);
        std::string text = e.text;
        int lines = 0;
        for (size_t start = 0; start <= text.size(); ++lines) {
            size_t end = text.find('\r', start);
            if (end == std::string::npos) end = text.size();
            std::string line = text.substr(start, end - start);
            SIZE size = {};
            GetTextExtentPoint32A(dc, line.c_str(), int(line.size()), &size);
            if (size.cx > room)
                CHECK_EQ(line + ": " + std::to_string(size.cx) + " px",
                         line + ": at most " + std::to_string(room) + " px");
            else
                CHECK(size.cx > 0);
            start = end + 1;
        }
        if (e.kind == Label) CHECK(lines * metrics.tmHeight <= e.height);
        SelectObject(dc, old);
        ReleaseDC(h, dc);
    }
}

void check_licence_viewer() {
    HWND editor = gadget_handle(LicenceText);
    if (!editor) return;
    std::string shown = read_gadget_text(LicenceText);
    // The control may hand lines back with CR only; compare the text without line ends.
    auto strip = [](const std::string& s) {
        std::string out;
        for (char c : s)
            if (c != '\r' && c != '\n') out += c;
        return out;
    };
    CHECK_EQ(strip(shown), strip(kLicenceText));
    CHECK(SendMessageA(editor, EM_GETOPTIONS, 0, 0) & ECO_READONLY);
    // Typing changes nothing.
    SendMessageA(editor, EM_SETSEL, 0, 0);
    SendMessageA(editor, WM_CHAR, 'X', 0);
    SendMessageA(editor, WM_KEYDOWN, VK_DELETE, 0);
    CHECK_EQ(read_gadget_text(LicenceText), shown);

    // Every line fits the viewer's width: no sideways scrolling.
    RECT client;
    GetClientRect(editor, &client);
    HDC dc = GetDC(editor);
    HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    std::string text = kLicenceText;
    int lines = 0;
    int widest = 0;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find("\r\n", start);
        if (end == std::string::npos) end = text.size();
        SIZE extent = {};
        GetTextExtentPoint32A(dc, text.data() + start, int(end - start), &extent);
        if (extent.cx > widest) widest = extent.cx;
        ++lines;
        start = end + 2;
    }
    SelectObject(dc, old);
    ReleaseDC(editor, dc);
    CHECK_EQ(lines, 27);
    // Margins and the vertical scroll bar take a little of the client width.
    CHECK(widest < client.right - 30);
    std::printf("licence: widest line %d px of %ld\n", widest, long(client.right));
}

// Enters a page as its page procedure does and has ImageMagick grab the window from the X screen
// into build/screenshots/NAME.png.
void screenshot(HWND window, const char* name, int page) {
    const char* build = std::getenv("KV_BUILD_DIR");
    if (!build) {
        std::printf("KV_BUILD_DIR not set: no screenshot\n");
        return;
    }
    show_page(page);
    UpdateWindow(window);
    while (poll_event() != 0) {
    }
    std::string dir = std::string(build) + "/screenshots";
    std::string png = dir + "/" + name + ".png";
    // Keep painting while the grab runs.
    LinuxRun grab = run_linux_command(
        "mkdir -p '" + dir + "' && " + screenshot_command(window, png), 15000, "", [] {
            while (poll_event() != 0) {
            }
        });
    std::printf("screenshot %s: %s\n", grab.finished && grab.status == 0 ? "saved" : "missing",
                png.c_str());
    std::printf("%s", grab.output.c_str());
}

void screenshots(HWND window) {
    screenshot(window, "welcome", 0);
    set_gadget_value(OsCheckbox, 1);
    write_gadget_text(OsNameField, "Windows 7");
    screenshot(window, "system-check", 1);
    screenshot(window, "licence", 2);
    write_gadget_text(TargetPathField, "C:\\Program Files\\Kavento-Producer");
    screenshot(window, "target-folder", 3);
    insert_list_item(StartMenuFolderList, -1, "Accessories");
    screenshot(window, "start-menu", 4);
    screenshot(window, "shortcuts", 5);
    set_gadget_value(InstallProgressBar, 45);
    screenshot(window, "install", 6);
}

// What a screen reader reads: MSAA's name of a gadget, through the system's accessibility
// library.
using AccessibleFromWindow = HRESULT(WINAPI*)(HWND, DWORD, REFIID, void**);
const IID kIidAccessible = {
    0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};

std::string accessible_name(AccessibleFromWindow from_window, HWND h) {
    IAccessible* object = nullptr;
    if (FAILED(from_window(h, DWORD(OBJID_CLIENT), kIidAccessible,
                           reinterpret_cast<void**>(&object))) ||
        !object)
        return "<no object>";
    VARIANT self;
    VariantInit(&self);
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr;
    std::string text;
    if (object->get_accName(self, &name) == S_OK && name) {
        int length = WideCharToMultiByte(1252, 0, name, -1, nullptr, 0, nullptr, nullptr);
        if (length > 1) {
            text.assign(size_t(length), '\0');
            WideCharToMultiByte(1252, 0, name, -1, &text[0], length, nullptr, nullptr);
            text.resize(size_t(length) - 1);
        }
        SysFreeString(name);
    }
    object->Release();
    return text;
}

// Every gadget that a page shows has a name, the pictures' being their words; none of that
// reaches the screen (the screenshots before and after compare equal).
void check_names(HWND window) {
    HMODULE library = LoadLibraryA("oleacc.dll");
    auto from_window = library ? reinterpret_cast<AccessibleFromWindow>(reinterpret_cast<void*>(
                                     GetProcAddress(library, "AccessibleObjectFromWindow")))
                               : nullptr;
    CHECK(from_window != nullptr);
    if (!from_window) return;
    // The fields hold what their pages put there.
    write_gadget_text(StartMenuFolderField, "Kavento-Producer");
    // Backwards from the page shown last: each page hides only its neighbours' gadgets.
    for (int page = 6; page >= 0; --page) {
        show_page(page);
        for (HWND h : children_of(window)) {
            if (!IsWindowVisible(h)) continue;
            const std::string gadget = "page " + std::to_string(page) + " gadget " +
                                       std::to_string(GetWindowLongA(h, GWL_ID));
            CHECK_EQ(gadget + (accessible_name(from_window, h).empty() ? ": no name" : ": named"),
                     gadget + ": named");
        }
    }
    CHECK_EQ(
        accessible_name(from_window, gadget_handle(TargetHeader)),
        std::string("Zielverzeichnis auswählen: Wählen Sie das Verzeichnis aus, in das die "
                    "Programme Kavento-Producer und Kavento-Player installiert werden sollen."));
    CHECK_EQ(
        accessible_name(from_window, gadget_handle(WelcomeImage)),
        std::string("Willkommen beim Installations-Assistenten für die Programme "
                    "Kavento-Producer 1.20.1 und Kavento-Player 1.20.1 Dieser Assistent wird "
                    "Sie durch die Installation der Programme Kavento-Producer 1.20.1 und "
                    "Kavento-Player 1.20.1 begleiten. Klicken Sie auf Weiter, um fortzufahren."));
    CHECK_EQ(accessible_name(from_window, gadget_handle(DirectXCheckbox)),
             std::string("DirectX 7 oder höher verfügbar"));
    // A box's name is not what it shows.
    CHECK_EQ(read_gadget_text(DirectXCheckbox), std::string());
    FreeLibrary(library);
}

} // namespace

int main() {
    session.installer_name = "Kavento-Install";
    session.version_text = "1.20.1";
    toolkit_init();
    draw_wizard_artwork();
    build_wizard_window();
    HWND window = window_handle(kWizardWindow);
    CHECK(window != nullptr);
    if (window) {
        check_window(window);
        check_gadgets(window);
        check_texts_fit();
        check_licence_viewer();
        screenshots(window);
        check_names(window);
    }
    toolkit_shutdown();
    CHECK(!IsWindow(window));
    CHECK(gadget_handle(NextButton) == nullptr);
    release_artwork();
    CHECK(picture_handle(WelcomePicture) == nullptr);
    return check_report();
}
