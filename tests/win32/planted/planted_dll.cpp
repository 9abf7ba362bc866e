// A stand-in for a system library, planted beside a program under a system library's name. When
// it is loaded it leaves its path in the process environment, where the test looks for it.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*) {
    if (reason == DLL_PROCESS_ATTACH) {
        char path[MAX_PATH] = "";
        GetModuleFileNameA(instance, path, MAX_PATH);
        SetEnvironmentVariableA("KV_PLANTED_DLL_LOADED", path);
    }
    return TRUE;
}

extern "C" __declspec(dllexport) int KvPlantedMarker() {
    return 0x4B56;
}
