#include "common/program_window.h"
#include <cstring>

namespace {

const char kClassName[] = "KaventoProgramWindow";

char g_text[2048];

LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_CREATE: {
        // A static control rather than painted text, so that a test can read what is shown.
        HWND text = CreateWindowExA(0, "STATIC", g_text, WS_CHILD | WS_VISIBLE | SS_NOPREFIX, 0, 0,
                                    0, 0, window, reinterpret_cast<HMENU>(kDocumentTextId),
                                    reinterpret_cast<LPCREATESTRUCTA>(lparam)->hInstance, nullptr);
        SendMessageA(text, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
                     FALSE);
        return 0;
    }
    case WM_SIZE:
        MoveWindow(GetDlgItem(window, kDocumentTextId), 12, 12, LOWORD(lparam) - 24,
                   HIWORD(lparam) - 24, TRUE);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

} // namespace

void document_argument(const char* command_line, char* out, int out_size) {
    out[0] = 0;
    if (!command_line) return;
    const char* p = command_line;
    while (*p == ' ' || *p == '\t')
        ++p;
    const char* end;
    if (*p == '"') {
        ++p;
        end = std::strchr(p, '"');
        if (!end) end = p + std::strlen(p);
    } else {
        // Explorer passes a document path quoted; an unquoted one may still hold blanks, so
        // everything up to the end of the line counts, less trailing blanks.
        end = p + std::strlen(p);
        while (end > p && (end[-1] == ' ' || end[-1] == '\t'))
            --end;
    }
    int n = static_cast<int>(end - p);
    if (n >= out_size) n = out_size - 1;
    std::memcpy(out, p, n);
    out[n] = 0;
}

int run_program_window(HINSTANCE instance, const char* product_name, const char* command_line,
                       const char* details) {
    // The system's formatter (the C library's would add its own locale and wide-character
    // code); it writes at most 1024 characters, and every text here is shorter than that.
    char document[MAX_PATH * 2];
    document_argument(command_line, document, sizeof document);
    if (document[0])
        wsprintfA(g_text, "Dokument: %s", document);
    else
        lstrcpyA(g_text, "Kein Dokument geöffnet.");
    if (details) wsprintfA(g_text + std::strlen(g_text), "\r\n\r\n%.500s", details);

    WNDCLASSA window_class = {};
    window_class.lpfnWndProc = window_proc;
    window_class.hInstance = instance;
    window_class.hCursor = LoadCursor(nullptr, IDC_ARROW);
    window_class.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    window_class.lpszClassName = kClassName;
    if (!RegisterClassA(&window_class)) return 1;

    char title[128];
    wsprintfA(title, "%.100s %s", product_name, kVersionText);
    HWND window = CreateWindowExA(0, kClassName, title, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                  CW_USEDEFAULT, 560, 240, nullptr, nullptr, instance, nullptr);
    if (!window) return 1;
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}
