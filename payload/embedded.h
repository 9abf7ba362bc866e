// The payload that travels inside the installer: the blob of entries and, directly behind it,
// the 200-byte library signature block (the first bytes of fmod.dll).
#pragma once
#include <cstdint>

inline constexpr uint32_t kSignatureLength = 200;

const uint8_t* payload_blob();
uint32_t payload_blob_length(); // also the distance from the blob to the signature block
const uint8_t* library_signature();
uint32_t library_length(); // how many bytes of fmod.dll follow the signature's position
