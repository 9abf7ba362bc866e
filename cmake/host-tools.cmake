# The cross build needs kvpack, a host program, to pack the payload. It is built here from tools/
# with the host compiler, so that `cmake --preset win32` alone builds everything.
include(ExternalProject)
set(KV_HOST_TOOLS_DIR "${CMAKE_BINARY_DIR}/host-tools")
set(KVPACK "${KV_HOST_TOOLS_DIR}/kvpack")
ExternalProject_Add(host_tools
    SOURCE_DIR "${PROJECT_SOURCE_DIR}/tools"
    BINARY_DIR "${KV_HOST_TOOLS_DIR}"
    CMAKE_ARGS -DCMAKE_BUILD_TYPE=Release -DKV_TOOLS_ONLY=ON
    BUILD_COMMAND ${CMAKE_COMMAND} --build . --target kvpack
    INSTALL_COMMAND ""
    BUILD_ALWAYS ON
    BUILD_BYPRODUCTS "${KVPACK}")
