# The cross build needs host programs: kvpack to pack the payload, kvicon to draw the installer's
# icon, kvimports to check the shipped programs' imports. They are built here from tools/ with the
# host compiler, so that `cmake --preset win32` alone builds everything.
#
# The build step makes the tools project's default target, which with KV_TOOLS_ONLY is exactly
# these tools. Naming them as targets instead fails once whenever tools/CMakeLists.txt gains one:
# make reads the old Makefile, which lacks the new target, before its own check regenerates it.
#
# KV_PREBUILT_HOST_TOOLS names the host-tools folder of another, already built cross build of the
# same sources, whose tools this build then uses as they are (the signing test's second build
# does, to save building them twice).
set(KV_PREBUILT_HOST_TOOLS "" CACHE PATH
    "host-tools folder of another build of these sources to use instead of building the tools")
if(KV_PREBUILT_HOST_TOOLS)
    set(KV_HOST_TOOLS_DIR "${KV_PREBUILT_HOST_TOOLS}")
else()
    set(KV_HOST_TOOLS_DIR "${CMAKE_BINARY_DIR}/host-tools")
endif()
set(KVPACK "${KV_HOST_TOOLS_DIR}/kvpack")
set(KVIMPORTS "${KV_HOST_TOOLS_DIR}/kvimports")
set(KVICON "${KV_HOST_TOOLS_DIR}/kvicon")
if(KV_PREBUILT_HOST_TOOLS)
    foreach(tool IN ITEMS "${KVPACK}" "${KVIMPORTS}" "${KVICON}")
        if(NOT EXISTS "${tool}")
            message(FATAL_ERROR "KV_PREBUILT_HOST_TOOLS: ${tool} is not built")
        endif()
    endforeach()
    add_custom_target(host_tools)
else()
    include(ExternalProject)
    ExternalProject_Add(host_tools
        SOURCE_DIR "${PROJECT_SOURCE_DIR}/tools"
        BINARY_DIR "${KV_HOST_TOOLS_DIR}"
        CMAKE_ARGS -DCMAKE_BUILD_TYPE=Release -DKV_TOOLS_ONLY=ON
        INSTALL_COMMAND ""
        BUILD_ALWAYS ON
        BUILD_BYPRODUCTS "${KVPACK}" "${KVIMPORTS}" "${KVICON}")
endif()
