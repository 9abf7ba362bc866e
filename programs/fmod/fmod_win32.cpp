// The sound library the authoring tool loads from its own folder. Only the entry points that the
// programs call are here; their names and calling convention are the library's (plain C, cdecl).
#include <windows.h>

extern "C" {

__declspec(dllexport) float FSOUND_GetVersion() {
    return 3.75f;
}

// 1 when the mixer can run at the rate with that many channels.
__declspec(dllexport) signed char FSOUND_Init(int mix_rate, int max_software_channels,
                                              unsigned int flags) {
    return mix_rate >= 4000 && mix_rate <= 65535 && max_software_channels > 0 &&
                   max_software_channels <= 1024
               ? 1
               : 0;
}

__declspec(dllexport) void FSOUND_Close() {}

} // extern "C"

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
    return TRUE;
}
