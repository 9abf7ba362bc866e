/* The payload blob and, directly behind it, the library signature block: the installer takes the
   blob's length as the distance between the two, so they stay adjacent and in this order. */
    .include KV_LIBRARY_INFO_FILE

    .section .rdata,"dr"
    .balign 16
    .globl _kv_payload_blob
_kv_payload_blob:
    .incbin KV_PAYLOAD_BLOB_FILE
    .globl _kv_library_signature
_kv_library_signature:
    .incbin KV_LIBRARY_SIGNATURE_FILE
_kv_library_signature_end:
    .if _kv_library_signature_end - _kv_library_signature - 200
    .error "the library signature block must be 200 bytes"
    .endif

    .balign 4
    .globl _kv_payload_blob_length
_kv_payload_blob_length:
    .long _kv_library_signature - _kv_payload_blob
    .globl _kv_library_length
_kv_library_length:
    .long kv_library_length_value
