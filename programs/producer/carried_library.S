/* The sound library's bytes, carried inside the authoring tool. The installer finds them here by
   the library's first 200 bytes and copies them out as fmod.dll beside the tool. */
/* C names carry the target's label prefix: "_" on 32-bit Windows, none on 64-bit. */
#define KV_PASTE2(a, b) a##b
#define KV_PASTE(a, b) KV_PASTE2(a, b)
#define KV_C_NAME(name) KV_PASTE(__USER_LABEL_PREFIX__, name)
    .section .rdata,"dr"
    .balign 16
    .globl KV_C_NAME(kv_carried_library)
KV_C_NAME(kv_carried_library):
    .incbin KV_FMOD_FILE
    .globl KV_C_NAME(kv_carried_library_end)
KV_C_NAME(kv_carried_library_end):
