# Authenticode signatures for the installer and Uninstall.exe, made only when KV_SIGNING_PFX names
# a PKCS#12 file. Without it no rule below exists and the build is the unsigned one, byte for byte.
#
# The PKCS#12 password is never a CMake setting: cmake/sign-program.sh reads KV_SIGNING_PASSWORD
# from the environment of the build itself and hands it to osslsigncode through a file
# descriptor, so it reaches neither the cache, nor a generated rule, nor a process's arguments.
set(KV_SIGNING_PFX "" CACHE FILEPATH
    "PKCS#12 file with the publisher's certificate and key; empty builds unsigned programs")
set(KV_SIGNING_TIMESTAMP_URL "" CACHE STRING
    "RFC 3161 timestamp server for the signatures; empty signs without a timestamp")

if(KV_SIGNING_PFX)
    if(NOT EXISTS "${KV_SIGNING_PFX}")
        message(FATAL_ERROR "KV_SIGNING_PFX: no such file: ${KV_SIGNING_PFX}")
    endif()
    find_program(KV_OSSLSIGNCODE osslsigncode)
    if(NOT KV_OSSLSIGNCODE)
        message(FATAL_ERROR "KV_SIGNING_PFX is set but osslsigncode is not installed "
            "(bash scripts/setup.sh installs it)")
    endif()
endif()

# kv_sign_program(TARGET DESCRIPTION): signs the target's file right after it is linked, in place,
# so that everything that takes the file (the payload, the tests) takes the signed one. The
# description becomes the program name that Windows shows when it asks for administrator rights.
# A new certificate file relinks the program, and with it signs it anew.
function(kv_sign_program target description)
    if(NOT KV_SIGNING_PFX)
        return()
    endif()
    set(script "${PROJECT_SOURCE_DIR}/cmake/sign-program.sh")
    add_custom_command(TARGET ${target} POST_BUILD
        COMMAND bash "${script}" "${KV_OSSLSIGNCODE}" "${KV_SIGNING_PFX}" "${description}"
            "${KV_SIGNING_TIMESTAMP_URL}" "$<TARGET_FILE:${target}>"
        COMMENT "Signing $<TARGET_FILE_NAME:${target}>"
        VERBATIM)
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS "${KV_SIGNING_PFX}" "${script}")
endfunction()
