#!/usr/bin/env bash
# Builds everything: the host tools and native tests, then the Win32 installer, its payload
# programs, the Win32 tests and the test driver.
set -eu
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset host >/dev/null
cmake --build --preset host
cmake --preset win32 >/dev/null
cmake --build --preset win32
