#!/usr/bin/env bash
# Runs one scenario: a fresh copy of the template prefix on its own Xvfb, the installer (and the
# driver's fixture program) copied to C:\setup, then kvdriver with the scenario.
#   run-scenario.sh BUILD_DIR SCENARIO
# A scenario with a line "# expect-failure at line N" must fail exactly there (the driver's own
# tests of its failure path); the run then passes when it does.
set -u
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
. "$root/tests/wine/lib.sh"
build=$(cd "${1:?usage: run-scenario.sh BUILD_DIR SCENARIO}" && pwd)
scenario=$(cd "$(dirname "${2:?usage: run-scenario.sh BUILD_DIR SCENARIO}")" && pwd)/$(basename "$2")
name=$(basename "$scenario" .kvd)
template=${KV_WINE_TEMPLATE:-$build/wine-template}
[ -d "$template/prefix" ] || "$root/tests/wine/make-template.sh" "$template" || exit 1
expected_failure=$(sed -n 's/^# expect-failure at line \([0-9][0-9]*\).*/\1/p' "$scenario" | head -1)

kv_sandbox_begin "$template" || exit 1
setup="$WINEPREFIX/drive_c/setup"
mkdir -p "$setup"
[ -f "$build/Kavento-Install.exe" ] && cp "$build/Kavento-Install.exe" "$setup/"
[ -f "$build/tests/driver/kvfixture.exe" ] && cp "$build/tests/driver/kvfixture.exe" "$setup/"
export KV_INSTALLER='C:\setup\Kavento-Install.exe'
export KV_FIXTURE='C:\setup\kvfixture.exe'
export KV_BUILD="$build"
export KV_SCREENSHOTS="$build/screenshots/$name"
rm -rf "$KV_SCREENSHOTS"
mkdir -p "$KV_SCREENSHOTS"

mkdir -p "$build/e2e-logs"
log="$build/e2e-logs/$name.log"
timeout -k 5 "${KV_WINE_TIMEOUT:-240}" wine "$build/tests/driver/kvdriver.exe" "$scenario" \
    2>&1 | tee "$log"
rc=${PIPESTATUS[0]}
kv_sandbox_end

if [ -n "$expected_failure" ]; then
    if [ "$rc" -ne 0 ] && grep -q "^FAIL line $expected_failure: " "$log" 2>/dev/null; then
        echo "failed at line $expected_failure as expected"
        rc=0
    else
        echo "expected the scenario to fail at line $expected_failure (driver exit code $rc)"
        rc=1
    fi
fi
exit "$rc"
