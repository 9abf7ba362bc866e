// The system check: Windows release, DirectX 7 and a hardware Direct3D device.
#pragma once
#include <cstdint>
#include <string>

// Platform-free: the version code of a platform id and major/minor version (the release table),
// and the display name and support flag of a code. Returns false for a code outside the table.
int32_t windows_version_code(uint32_t platform, uint32_t major, uint32_t minor);
bool windows_name_of_code(int32_t code, std::string& name, int& supported);

// Win32.
int32_t classify_windows();
int probe_directx7();
int probe_direct3d();
void run_system_check();
void release_directx_probe(); // at shutdown: the DirectDraw object, then the library
