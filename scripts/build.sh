#!/usr/bin/env bash
# Builds everything: the host tools and native tests, then the Win32 installer, its payload
# programs, the Win32 tests and the test driver; on a machine that cannot start 32-bit programs
# also the 64-bit lab build, which carries the Win32 tests there.
set -eu
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset host >/dev/null
cmake --build --preset host
cmake --preset win32 >/dev/null
cmake --build --preset win32
# Where Wine's 32-bit side cannot run, the Win32 tests run on the lab build instead.
. tests/wine/lib.sh
if ! kv_host_runs_32bit; then
    cmake --preset win64 >/dev/null
    cmake --build --preset win64
fi
