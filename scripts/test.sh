#!/usr/bin/env bash
# Builds everything and runs every test: the native tests (ASan + UBSan), a short fuzz run of the
# decoder, the Win32 tests and end-to-end scenarios under Wine, and the reproducibility check.
set -eu
cd "$(dirname "$0")/.."
bash scripts/build.sh
status=0
ctest --preset host || status=1
if [ -x tools/fuzz/run.sh ]; then bash tools/fuzz/run.sh --short || status=1; fi
ctest --preset win32 || status=1
bash scripts/check-reproducible.sh || status=1
exit $status
