// Placeholder until the uninstaller reads Uninstall.txt: it only tells the user so.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    MessageBoxA(nullptr, "Die Deinstallation ist in dieser Version noch nicht verfügbar.",
                "Kavento-Deinstallation", MB_OK);
    return 0;
}
