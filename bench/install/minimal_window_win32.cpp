// The floor of the benchmark: what Wine itself costs to start a program with one window, and to
// answer a button with a message box. It has the installer's window title and button number so
// that the same timer measures both. Built a second time with KV_FLOOR_DIRECTDRAW, it first
// creates a DirectDraw object as the installer's system check must, to show what that costs.
#include <windows.h>
#ifdef KV_FLOOR_DIRECTDRAW
#include <ddraw.h>
#endif

namespace {
const int kButton = 36;

LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_COMMAND:
        if (LOWORD(wparam) == kButton) {
            MessageBoxA(window, "Fertig", "Erfolgreich installiert", MB_OK);
            DestroyWindow(window);
        }
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}
} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
#ifdef KV_FLOOR_DIRECTDRAW
    typedef HRESULT(WINAPI * CreateEx)(GUID*, void**, REFIID, IUnknown*);
    HMODULE ddraw = LoadLibraryA("ddraw.dll");
    CreateEx create = ddraw ? reinterpret_cast<CreateEx>(reinterpret_cast<void*>(
                                  GetProcAddress(ddraw, "DirectDrawCreateEx")))
                            : nullptr;
    IUnknown* object = nullptr;
    if (create) create(nullptr, reinterpret_cast<void**>(&object), IID_IDirectDraw7, nullptr);
    if (object) object->Release();
#endif
    WNDCLASSA window_class = {};
    window_class.lpfnWndProc = window_proc;
    window_class.hInstance = instance;
    window_class.hCursor = LoadCursor(nullptr, IDC_ARROW);
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    window_class.lpszClassName = "KvMinimalWindow";
    RegisterClassA(&window_class);
    HWND window =
        CreateWindowA("KvMinimalWindow", "Kavento-Install", WS_CAPTION | WS_SYSMENU | WS_VISIBLE,
                      100, 100, 486, 386, nullptr, nullptr, instance, nullptr);
    CreateWindowA("BUTTON", "Installieren", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 300, 320, 80, 24,
                  window, reinterpret_cast<HMENU>(kButton), instance, nullptr);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
