# The body of both mingw-w64 toolchains; the including file sets kv_mingw_arch (i686 or x86_64).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${kv_mingw_arch})
set(CMAKE_C_COMPILER ${kv_mingw_arch}-w64-mingw32-gcc)
set(CMAKE_CXX_COMPILER ${kv_mingw_arch}-w64-mingw32-g++)
set(CMAKE_RC_COMPILER ${kv_mingw_arch}-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${kv_mingw_arch}-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# ANSI Win32 API (no UNICODE), headers of Windows NT 4 and 95, the oldest systems the programs
# must start on, so that the compiler refuses what the headers know to be newer.
# Sources are UTF-8; their string literals become Windows-1252, the code page of every text.
set(kv_compile_flags "-D_WIN32_WINNT=0x0400 -DWINVER=0x0400 -D_WIN32_IE=0x0400 -finput-charset=UTF-8 -fexec-charset=CP1252")
set(CMAKE_C_FLAGS_INIT "${kv_compile_flags}")
set(CMAKE_CXX_FLAGS_INIT "${kv_compile_flags}")
# One self-contained file: no libgcc/libstdc++/winpthread DLLs beside it, and no link timestamp so
# two builds of one commit are byte-identical.
set(kv_link_flags "-static -static-libgcc -static-libstdc++ -Wl,--no-insert-timestamp")
set(CMAKE_EXE_LINKER_FLAGS_INIT "${kv_link_flags}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${kv_link_flags}")

set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/../tests/wine/run-in-prefix.sh")
