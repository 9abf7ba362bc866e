#include <windows.h>
#include "core/startup.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    installer_main(instance);
}
