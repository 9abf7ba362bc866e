// The three probes of the system check. They run once at start-up, before any window exists.
#include <windows.h>
#include <ddraw.h>
#include <d3d.h>
#include <cstring>
#include "core/session.h"
#include "env/system_check.h"
#include "services/system_library.h"

namespace {

// Published DirectX interface ids, spelled out so that the probe needs no import library.
constexpr GUID kIidDirectDraw7 = {
    0x15E65EC0, 0x3B9C, 0x11D2, {0xB9, 0x2F, 0x00, 0x60, 0x97, 0x97, 0xEA, 0x5B}};
constexpr GUID kIidDirect3D7 = {
    0xF5049E77, 0x4861, 0x11D2, {0xA4, 0x07, 0x00, 0xA0, 0xC9, 0x06, 0x29, 0xA8}};
constexpr GUID kIidDirect3DHalDevice = {
    0x84E63DE0, 0x46AA, 0x11CF, {0x81, 0x6F, 0x00, 0x00, 0xC0, 0x20, 0x15, 0x6E}};
constexpr GUID kIidDirect3DTnLHalDevice = {
    0xF5049E78, 0x4861, 0x11D2, {0xA4, 0x07, 0x00, 0xA0, 0xC9, 0x06, 0x29, 0xA8}};

using DirectDrawCreateExFn = HRESULT(WINAPI*)(GUID*, void**, REFIID, IUnknown*);

// What the DirectX 7 probe keeps until shutdown.
IDirectDraw7* kept_direct_draw = nullptr;
HMODULE kept_ddraw_library = nullptr;

// Only ever from the system folder: an installer run from a downloads folder must not pick up
// a DDRAW.DLL planted beside it.
HMODULE load_ddraw() {
    return load_system_library("DDRAW.DLL");
}

IDirectDraw7* create_direct_draw(HMODULE library) {
    auto create = reinterpret_cast<DirectDrawCreateExFn>(
        reinterpret_cast<void*>(GetProcAddress(library, "DirectDrawCreateEx")));
    if (!create) return nullptr; // DirectX older than 7
    void* object = nullptr;
    // The status is not trusted on its own; what counts is whether an object came back.
    create(nullptr, &object, kIidDirectDraw7, nullptr);
    return static_cast<IDirectDraw7*>(object);
}

HRESULT WINAPI note_hardware_device(LPSTR, LPSTR, LPD3DDEVICEDESC7 description, LPVOID context) {
    // Software rasterisers (RGB, reference) do not count: the programs need a hardware device.
    if (description &&
        (std::memcmp(&description->deviceGUID, &kIidDirect3DHalDevice, sizeof(GUID)) == 0 ||
         std::memcmp(&description->deviceGUID, &kIidDirect3DTnLHalDevice, sizeof(GUID)) == 0))
        *static_cast<int*>(context) = 1;
    return D3DENUMRET_OK; // always see every device
}

// The DirectDraw library and an object made from it; null, with nothing left loaded, when either
// is not to be had.
IDirectDraw7* open_direct_draw(HMODULE& library) {
    library = load_ddraw();
    if (!library) return nullptr;
    IDirectDraw7* direct_draw = create_direct_draw(library);
    if (!direct_draw) FreeLibrary(library);
    return direct_draw;
}

} // namespace

int32_t classify_windows() {
    OSVERSIONINFOA info;
    std::memset(&info, 0, sizeof info);
    static_assert(sizeof(OSVERSIONINFOA) == 148, "the plain (not Ex) version record");
    info.dwOSVersionInfoSize = sizeof info;
    if (!GetVersionExA(&info)) return 100;
    return windows_version_code(info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion);
}

int probe_directx7() {
    if (kept_direct_draw) return 1; // a second call must not leak the first object
    HMODULE library = nullptr;
    IDirectDraw7* direct_draw = open_direct_draw(library);
    if (!direct_draw) return 0;
    kept_direct_draw = direct_draw;
    kept_ddraw_library = library;
    return 1;
}

int probe_direct3d() {
    HMODULE library = nullptr;
    IDirectDraw7* direct_draw = open_direct_draw(library);
    if (!direct_draw) return 0;
    IDirect3D7* direct3d = nullptr;
    direct_draw->QueryInterface(kIidDirect3D7, reinterpret_cast<void**>(&direct3d));
    int found = 0;
    if (direct3d) {
        // The flag travels as the context so that no state outlives the probe.
        direct3d->EnumDevices(note_hardware_device, &found);
        direct3d->Release();
    }
    direct_draw->Release();
    FreeLibrary(library);
    return found;
}

void run_system_check() {
    std::string name;
    int supported = 0;
    if (windows_name_of_code(classify_windows(), name, supported)) {
        session.windows_name = name;
        session.windows_supported = supported;
    }
    if (probe_directx7() != 0) session.has_directx7 = 1;
    session.has_direct3d = probe_direct3d();
}

void release_directx_probe() {
    // The object first: releasing it runs code inside the library.
    if (kept_direct_draw) {
        kept_direct_draw->Release();
        kept_direct_draw = nullptr;
    }
    if (kept_ddraw_library) {
        FreeLibrary(kept_ddraw_library);
        kept_ddraw_library = nullptr;
    }
}
