# Cross build for 32-bit Windows with mingw-w64: the shipped programs. Win32 tests run under Wine.
set(kv_mingw_arch i686)
include("${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake")
