/* The sound library's bytes, carried inside the authoring tool. The installer finds them here by
   the library's first 200 bytes and copies them out as fmod.dll beside the tool. */
    .section .rdata,"dr"
    .balign 16
    .globl _kv_carried_library
_kv_carried_library:
    .incbin KV_FMOD_FILE
    .globl _kv_carried_library_end
_kv_carried_library_end:
