// Kavento-Producer: the authoring tool. It loads the sound library from its own folder, the way
// the installer leaves it there, and says whether sound is available.
#include "common/program_window.h"
#include <cstdio>
#include <cstring>

extern "C" const unsigned char kv_carried_library[];
extern "C" const unsigned char kv_carried_library_end[];

namespace {

typedef float (*GetVersionProc)();

// Only the copy beside the exe counts: a bare "fmod.dll" would also search PATH and the current
// folder, which could load a stranger's library.
void describe_sound(char* out, size_t out_size) {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    char* slash = n && n < sizeof path ? std::strrchr(path, '\\') : nullptr;
    const size_t name_size = std::strlen(kLibraryFileName) + 1; // with its zero
    if (!slash || static_cast<size_t>(slash + 1 - path) + name_size > sizeof path) {
        std::snprintf(out, out_size, "Sound: nicht verfügbar.");
        return;
    }
    std::strcpy(slash + 1, kLibraryFileName);
    HMODULE library = LoadLibraryA(path);
    GetVersionProc get_version = library ? reinterpret_cast<GetVersionProc>(reinterpret_cast<void*>(
                                               GetProcAddress(library, "FSOUND_GetVersion")))
                                         : nullptr;
    if (get_version)
        std::snprintf(out, out_size, "Sound: fmod %.2f", get_version());
    else
        std::snprintf(out, out_size, "Sound: nicht verfügbar (fmod.dll fehlt).");
    if (library) FreeLibrary(library);
    size_t used = std::strlen(out);
    std::snprintf(out + used, out_size - used, "\r\nMitgeführte Bibliothek: %u Bytes",
                  static_cast<unsigned>(kv_carried_library_end - kv_carried_library));
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR command_line, int) {
    char details[512];
    describe_sound(details, sizeof details);
    return run_program_window(instance, "Kavento-Producer", command_line, details);
}
