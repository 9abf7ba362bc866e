// The release table of the system check. Kept free of Win32 so that every row can be tested on
// the build host; classify_windows only feeds it what GetVersionExA reported.
#include "env/system_check.h"

namespace {

constexpr uint32_t kPlatformWindows9x = 1; // VER_PLATFORM_WIN32_WINDOWS
constexpr uint32_t kPlatformNt = 2;        // VER_PLATFORM_WIN32_NT

// Code 100 is both the newest known release and "not recognised": the programs run on anything
// newer than XP, so an unknown system is treated as a supported one rather than refused.
constexpr int32_t kCodeNewest = 100;

struct ReleaseName {
    int32_t code;
    const char* name;
    int supported;
};

constexpr ReleaseName kReleaseNames[] = {
    {5, "Windows NT 3.51", 0}, {10, "Windows 95", 0},     {20, "Windows NT 4", 0},
    {30, "Windows 98", 1},     {40, "Windows ME", 1},     {50, "Windows 2000", 1},
    {60, "Windows XP", 1},     {100, "Windows Vista", 1},
};

} // namespace

int32_t windows_version_code(uint32_t platform, uint32_t major, uint32_t minor) {
    if (platform == kPlatformWindows9x) {
        // The 9x line kept major version 4 throughout; only the minor version tells them apart.
        switch (minor) {
        case 0:
            return 10;
        case 10:
            return 30;
        case 90:
            return 40;
        default:
            return kCodeNewest;
        }
    }
    if (platform == kPlatformNt) {
        switch (major) {
        case 3:
            return 5;
        case 4:
            return 20;
        case 5:
            if (minor == 0) return 50;
            if (minor == 1) return 60;
            return kCodeNewest; // Server 2003 and XP x64 (5.2)
        default:
            return kCodeNewest;
        }
    }
    return kCodeNewest;
}

bool windows_name_of_code(int32_t code, std::string& name, int& supported) {
    for (const ReleaseName& release : kReleaseNames) {
        if (release.code == code) {
            name = release.name;
            supported = release.supported;
            return true;
        }
    }
    return false;
}
