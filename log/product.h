// The product's fixed identity: its names, the version this installer installs, where the
// installation is recorded, and the files it installs. The carried programs show the same version
// and load the same library, so they take these from here too.
#pragma once
#include <cstdint>

inline constexpr const char* kInstallerName = "Kavento-Install";
inline constexpr const char* kVersionText = "1.20.1";
inline constexpr int32_t kVersionNumber = 12010;
inline constexpr const char* kProductFolderName = "Kavento-Producer";
inline constexpr const char* kProductKey = "SOFTWARE\\Kavento-Producer\\";
// The values under kProductKey: start-up reads what the installation writes.
inline constexpr const char* kProgramPathValue = "program_path";
inline constexpr const char* kVersionNumberValue = "version_number";
inline constexpr const char* kVersionStringValue = "version_string";

// The product's entry in the system's list of installed programs ("Software", "Programs and
// Features", "Apps"), below HKEY_LOCAL_MACHINE, and the name that list shows. The uninstaller
// removes this one key below ...\Uninstall and nothing else there.
inline constexpr const char* kUninstallEntryKey =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kavento-Producer\\";
// The values of that entry, in the order they are written; the uninstaller removes exactly these
// before it removes the key.
inline constexpr const char* kEntryValueNames[9] = {
    "DisplayName",     "DisplayVersion", "Publisher", "DisplayIcon", "UninstallString",
    "InstallLocation", "EstimatedSize",  "NoModify",  "NoRepair"};
inline constexpr const char* kDisplayName = "Kavento-Producer und Kavento-Player";
// The company of the programs' version record (resources/program.rc.in): the list's publisher.
inline constexpr const char* kCompanyName = "Kavento";

// The installed programs and the sound library that is cut out of the authoring tool.
inline constexpr const char* kProducerExe = "Kav-Producer.exe";
inline constexpr const char* kPlayerExe = "Kav-Player.exe";
inline constexpr const char* kUninstallExe = "Uninstall.exe";
inline constexpr const char* kLibraryFileName = "fmod.dll";
