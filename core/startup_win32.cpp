#include <windows.h>
#include "core/startup.h"

void installer_main(void*) {
    shutdown_and_exit();
}
void shutdown_and_exit() {
    ExitProcess(0);
}
std::string special_folder_path(int) {
    return std::string();
}
