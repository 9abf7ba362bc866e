// Uninstall.exe: undoes an installation from the Uninstall.txt beside it (uninstall/uninstaller.h).
#include <windows.h>

#include <cstring>
#include <string>
#include "core/single_copy.h"
#include "install/recovery.h"
#include "log/log_file.h"
#include "log/log_lines.h"
#include "services/system_library.h"
#include "services/text_rules.h"
#include "uninstall/temp_copy.h"
#include "uninstall/uninstaller.h"

#ifdef KV_TEST_SEAMS
// Test builds only: "kv-stop-at=NAME" ends this program, or its copy, at once where it passes
// the point NAME. The copy's command line is fixed, so the name reaches it in the environment.
void stop_if_asked(const char* point) {
    char wanted[64] = "";
    GetEnvironmentVariableA("KV_STOP_AT", wanted, sizeof wanted);
    if (std::strcmp(wanted, point) == 0) TerminateProcess(GetCurrentProcess(), kStopExitCode);
}
void arm_stop_seam() {
    const char* found = std::strstr(GetCommandLineA(), "kv-stop-at=");
    if (found) {
        found += std::strlen("kv-stop-at=");
        SetEnvironmentVariableA("KV_STOP_AT", std::string(found, std::strcspn(found, " ")).c_str());
    }
    stop_hook = stop_if_asked;
}
#endif

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
#ifdef KV_TEST_SEAMS
    arm_stop_seam();
#endif
    // The copy runs from a folder of the temp folder, where any program may put a file named like
    // a library that the system would otherwise look for there first.
    limit_library_search();
    std::string target_folder;
    CopyHandles handles;
    if (parse_copy_command_line(GetCommandLineA(), target_folder, handles) &&
        accept_copy_command(target_folder, handles)) {
        run_copy(target_folder, handles);
        return 0;
    }
    // An interrupted run is dealt with first; an installer that runs now owns its journal. A
    // finished uninstallation that took the log with it leaves nothing to ask about.
    const std::string log = folder_of(module_path()) + kUninstallLogName;
    if (!installer_running() && recover_interrupted_run() == RecoveryKind::kFinishUninstall &&
        GetFileAttributesA(log.c_str()) == INVALID_FILE_ATTRIBUTES)
        return 0;
    run_original();
    return 0;
}
