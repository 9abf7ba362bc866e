// The uninstaller's temporary copy: the folder it runs from and the command line by which the
// original hands over to it. Platform-free.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// The temporary copy runs from a folder of its own in the temp folder: this prefix, then random
// hexadecimal digits, so that no other program can foresee or take its place.
inline constexpr const char* kCopyFolderPrefix = "Kavento-Deinstallation-";
inline constexpr size_t kCopyFolderDigits = 16;
inline constexpr const char* kCopyName = "Kavento-Deinstallation.exe";
// Whether folder (without a final backslash) is a copy folder that this program made in the temp
// folder temp (with its final backslash): only such a folder is deleted along with the copy.
bool is_copy_folder(const std::string& folder, const std::string& temp);
// The folder name for a copy, from 64 random bits.
std::string copy_folder_name(uint32_t high, uint32_t low);

// The handles that the original hands down to its temporary copy, by inheritance: the original
// process (the copy waits for its end), an event the copy sets once it runs (until then the
// original holds the copy's file), and the copy's folder (held against renaming, and removed
// when its last handle closes). 0 stands for none.
struct CopyHandles {
    uintptr_t original = 0;
    uintptr_t started = 0;
    uintptr_t folder = 0;
};
// The temporary copy's command line:
// "<copy>" /uninstall "<target folder>" <original> <started> <folder>.
std::string copy_command_line(const std::string& copy_path, const std::string& target_folder,
                              const CopyHandles& handles);
// Reads a command line (the program's own name first) of that form. False, with nothing set, for
// any other command line, including one whose folder is not an absolute path.
bool parse_copy_command_line(const std::string& command_line, std::string& target_folder,
                             CopyHandles& handles);
