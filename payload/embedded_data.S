/* The payload blob and, directly behind it, the library signature block: the installer takes the
   blob's length as the distance between the two, so they stay adjacent and in this order. */
/* C names carry the target's label prefix: "_" on 32-bit Windows, none on 64-bit. */
#define KV_PASTE2(a, b) a##b
#define KV_PASTE(a, b) KV_PASTE2(a, b)
#define KV_C_NAME(name) KV_PASTE(__USER_LABEL_PREFIX__, name)
    .include KV_LIBRARY_INFO_FILE

    .section .rdata,"dr"
    .balign 16
    .globl KV_C_NAME(kv_payload_blob)
KV_C_NAME(kv_payload_blob):
    .incbin KV_PAYLOAD_BLOB_FILE
    .globl KV_C_NAME(kv_library_signature)
KV_C_NAME(kv_library_signature):
    .incbin KV_LIBRARY_SIGNATURE_FILE
_kv_library_signature_end:
    .if _kv_library_signature_end - KV_C_NAME(kv_library_signature) - 200
    .error "the library signature block must be 200 bytes"
    .endif

    .balign 4
    .globl KV_C_NAME(kv_payload_blob_length)
KV_C_NAME(kv_payload_blob_length):
    .long KV_C_NAME(kv_library_signature) - KV_C_NAME(kv_payload_blob)
    .globl KV_C_NAME(kv_library_length)
KV_C_NAME(kv_library_length):
    .long kv_library_length_value
