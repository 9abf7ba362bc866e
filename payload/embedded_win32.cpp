#include "payload/embedded.h"

// Defined by embedded_data.S around the blob and the signature block, which it keeps adjacent.
extern "C" const uint8_t kv_payload_blob[];
extern "C" const uint8_t kv_library_signature[];
extern "C" const uint32_t kv_payload_blob_length;
extern "C" const uint32_t kv_library_length;

const uint8_t* payload_blob() {
    return kv_payload_blob;
}

uint32_t payload_blob_length() {
    return kv_payload_blob_length;
}

const uint8_t* library_signature() {
    return kv_library_signature;
}

uint32_t library_length() {
    return kv_library_length;
}
