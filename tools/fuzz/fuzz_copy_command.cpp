// Arbitrary bytes as the command line of the uninstaller's temporary copy. Whatever it accepts
// must be a line it could have been started with: written again, it reads back the same.
#include "log/log_lines.h"
#include "uninstall/copy_command.h"

#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string line(reinterpret_cast<const char*>(data), size);
    std::string folder = "unchanged";
    CopyHandles handles{1, 2, 3};
    if (!parse_copy_command_line(line, folder, handles)) {
        // Nothing set on a refusal.
        if (folder != "unchanged" || handles.original != 1 || handles.started != 2 ||
            handles.folder != 3)
            std::abort();
        return 0;
    }
    if (!is_removable_file_path(folder)) std::abort();
    if (handles.original > 0xffffffffu || handles.started > 0xffffffffu ||
        handles.folder > 0xffffffffu)
        std::abort();
    std::string again_folder;
    CopyHandles again;
    const std::string written = copy_command_line("C:\\T\\copy.exe", folder, handles);
    if (!parse_copy_command_line(written, again_folder, again) || again_folder != folder ||
        again.original != handles.original || again.started != handles.started ||
        again.folder != handles.folder)
        std::abort();
    return 0;
}
