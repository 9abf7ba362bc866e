# The lab build: the same sources for 64-bit Windows, never shipped. It exists for machines whose
# kernel cannot start 32-bit programs, where Wine's 32-bit side cannot run: there the Win32 tests
# and scenarios run on this build under 64-bit Wine (scripts/test.sh chooses).
set(kv_mingw_arch x86_64)
include("${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake")
