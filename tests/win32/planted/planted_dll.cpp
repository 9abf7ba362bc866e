// A stand-in for a system library, planted beside a program under a system library's name. When
// it is loaded it leaves its path in the process environment, where the test looks for it, and a
// file NAME.loaded beside itself, which a test sees from outside a program it started.
#include <windows.h>
#include <string>

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*) {
    if (reason == DLL_PROCESS_ATTACH) {
        char path[MAX_PATH] = "";
        GetModuleFileNameA(instance, path, MAX_PATH);
        SetEnvironmentVariableA("KV_PLANTED_DLL_LOADED", path);
        HANDLE marker = CreateFileA((std::string(path) + ".loaded").c_str(), GENERIC_WRITE, 0,
                                    nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (marker != INVALID_HANDLE_VALUE) CloseHandle(marker);
    }
    return TRUE;
}

extern "C" __declspec(dllexport) int KvPlantedMarker() {
    return 0x4B56;
}

// What a program that imports the common controls by name asks for, so that it starts with the
// plant in their place, as it would with a real replacement.
extern "C" __declspec(dllexport) void WINAPI InitCommonControls() {}
extern "C" __declspec(dllexport) BOOL WINAPI InitCommonControlsEx(const void*) {
    return FALSE;
}
