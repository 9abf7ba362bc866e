#!/usr/bin/env bash
# Builds everything and runs every test: the native tests (ASan + UBSan), a short fuzz run of the
# decoder, the Win32 tests and end-to-end scenarios under Wine, and the reproducibility check.
set -eu
cd "$(dirname "$0")/.."
bash scripts/build.sh
status=0
ctest --preset host || status=1
if [ -x tools/fuzz/run.sh ]; then bash tools/fuzz/run.sh --short || status=1; fi
. tests/wine/lib.sh
if kv_host_runs_32bit; then
    ctest --preset win32 || status=1
else
    echo "== This machine cannot start 32-bit programs (its kernel's 32-bit emulation is off), so"
    echo "== Wine's 32-bit side cannot run: the 32-bit build's checks that need no Wine run on it, and"
    echo "== the Win32 tests and scenarios on the 64-bit lab build (build/win64) under 64-bit Wine."
    ctest --preset win32 -R '^(import_guard|installer_without_seam|signing)$' -FS wine_template ||
        status=1
    ctest --preset win64 || status=1
fi
bash scripts/check-reproducible.sh || status=1
exit $status
