# Cuts the library signature block (the first 200 bytes of fmod.dll) and records the library's
# length for the installer. Run by the build: cmake -DLIBRARY=... -DSIGNATURE=... -DINFO=... -P
if(NOT EXISTS "${LIBRARY}")
    message(FATAL_ERROR "library not found: ${LIBRARY}")
endif()
file(SIZE "${LIBRARY}" length)
if(length LESS 200)
    message(FATAL_ERROR "library shorter than its 200-byte signature: ${LIBRARY}")
endif()
execute_process(COMMAND head -c 200 "${LIBRARY}" OUTPUT_FILE "${SIGNATURE}" RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "cannot write ${SIGNATURE}")
endif()
file(WRITE "${INFO}" ".set kv_library_length_value, ${length}\n")
