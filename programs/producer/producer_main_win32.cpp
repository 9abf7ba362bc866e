// Kavento-Producer: the authoring tool. It loads the sound library from its own folder, the way
// the installer leaves it there, and says whether sound is available.
#include "common/program_window.h"
#include <cstring>

extern "C" const unsigned char kv_carried_library[];
extern "C" const unsigned char kv_carried_library_end[];

namespace {

typedef float (*GetVersionProc)();

// Only the copy beside the exe counts: a bare "fmod.dll" would also search PATH and the current
// folder, which could load a stranger's library. out must hold 1024 characters: the system's
// formatter (wsprintfA) writes up to that many.
void describe_sound(char* out) {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    char* slash = n && n < sizeof path ? std::strrchr(path, '\\') : nullptr;
    const size_t name_size = std::strlen(kLibraryFileName) + 1; // with its zero
    if (!slash || static_cast<size_t>(slash + 1 - path) + name_size > sizeof path) {
        lstrcpyA(out, "Sound: nicht verfügbar.");
        return;
    }
    std::strcpy(slash + 1, kLibraryFileName);
    HMODULE library = LoadLibraryA(path);
    GetVersionProc get_version = library ? reinterpret_cast<GetVersionProc>(reinterpret_cast<void*>(
                                               GetProcAddress(library, "FSOUND_GetVersion")))
                                         : nullptr;
    if (get_version) {
        // Two decimals, rounded; the system's formatter has no floating-point form.
        unsigned hundredths = static_cast<unsigned>(get_version() * 100.0f + 0.5f);
        wsprintfA(out, "Sound: fmod %u.%02u", hundredths / 100, hundredths % 100);
    } else {
        lstrcpyA(out, "Sound: nicht verfügbar (fmod.dll fehlt).");
    }
    if (library) FreeLibrary(library);
    wsprintfA(out + std::strlen(out), "\r\nMitgeführte Bibliothek: %u Bytes",
              static_cast<unsigned>(kv_carried_library_end - kv_carried_library));
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR command_line, int) {
    char details[1024];
    describe_sound(details);
    return run_program_window(instance, "Kavento-Producer", command_line, details);
}
