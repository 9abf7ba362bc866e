#!/usr/bin/env bash
# Runs one scenario: a fresh copy of the template prefix on its own Xvfb, the installer (and the
# driver's fixture program) copied to C:\setup, then kvdriver with the scenario.
#   run-scenario.sh BUILD_DIR SCENARIO [CASE]
# With CASE, SCENARIO is a template and CASE one of the cases in cases.txt beside it; the run is
# named FOLDER_CASE after the template's folder. A scenario with a line "# expect-failure at line
# N[: TEXT]" must fail exactly there, with TEXT in the driver's output (the driver's own tests of
# its failure path); the run then passes. KV_SCREENSHOTS (default BUILD_DIR/screenshots/NAME),
# KV_WINE_TIMEOUT, KV_DRIVER (the driver program, by default BUILD_DIR/tests/driver/kvdriver.exe),
# and KV_WORK_DIR and KV_KEEP_WORK (tests/wine/lib.sh) change the defaults.
set -u
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
. "$root/tests/wine/lib.sh"
usage="usage: run-scenario.sh BUILD_DIR SCENARIO [CASE]"
build=$(cd "${1:?$usage}" && pwd)
scenario=$(cd "$(dirname "${2:?$usage}")" && pwd)/$(basename "$2")
case_name=${3:-}
if [ -n "$case_name" ]; then
    name=$(basename "$(dirname "$scenario")")_$case_name
else
    name=$(basename "$scenario" .kvd)
fi
template=${KV_WINE_TEMPLATE:-$build/wine-template}
kv_template_ready "$template" || exit 1
expected_failure=$(sed -n 's/^# expect-failure at line \([0-9][0-9]*\).*/\1/p' "$scenario" | head -1)
expected_text=$(sed -n 's/^# expect-failure at line [0-9][0-9]*: //p' "$scenario" | head -1)

now_ms() { echo $(($(date +%s%N) / 1000000)); }
t0=$(now_ms)
kv_sandbox_begin "$template" || exit 1
t1=$(now_ms)
setup="$WINEPREFIX/drive_c/setup"
mkdir -p "$setup"
driver=${KV_DRIVER:-$build/tests/driver/kvdriver.exe}
# The driver's companions (its fixture, the attacker) come from the driver's own build.
for program in "$build/Kavento-Install.exe" "$build/Kavento-Install-seams.exe" "$build/Uninstall-seams.exe" \
    "$(dirname "$driver")/kvfixture.exe" "$(dirname "$driver")/kvattacker.exe"; do
    [ -f "$program" ] && cp "$program" "$setup/"
done
export KV_INSTALLER='C:\setup\Kavento-Install.exe'
export KV_SEAMS_INSTALLER='C:\setup\Kavento-Install-seams.exe'
export KV_SEAMS_UNINSTALLER='C:\setup\Uninstall-seams.exe'
export KV_FIXTURE='C:\setup\kvfixture.exe'
export KV_ATTACKER='C:\setup\kvattacker.exe'
export KV_BUILD="$build" KV_SCRATCH="$KV_WORK"
export KV_SCREENSHOTS="${KV_SCREENSHOTS:-$build/screenshots/$name}"
mkdir -p "$KV_SCREENSHOTS"
rm -f "$KV_SCREENSHOTS"/*.png

mkdir -p "$build/e2e-logs"
log="$build/e2e-logs/$name.log"
run_driver() {
    timeout -k 5 "${KV_WINE_TIMEOUT:-240}" "$KV_WINE" "$driver" "$scenario" \
        ${case_name:+"$case_name"} 2>&1 | tee -a "$log"
    rc=${PIPESTATUS[0]}
}
: >"$log"
run_driver
# The driver prints its first line at once. Without it, Wine itself did not come up (its loader
# has been seen to die silently within 150 ms on a loaded machine), and the scenario never ran:
# that is said, and Wine is started once more.
if [ "$rc" -ne 0 ] && [ ! -s "$log" ]; then
    echo "Wine ended with exit code $rc before the driver printed anything; starting it again" |
        tee -a "$log"
    kv_prefix_stop
    run_driver
fi
# A scenario's kill-wineserver ends every program of the prefix, the driver too, as a power cut
# would; the driver saved where it was, and a new run of it goes on from there.
if [ -f "$KV_WORK/resume.state" ]; then
    wineserver -w 2>/dev/null
    run_driver
fi
t2=$(now_ms)
kv_sandbox_end
t3=$(now_ms)
echo "cycle of $name: prefix and display $((t1 - t0)) ms, driver $((t2 - t1)) ms," \
    "teardown $((t3 - t2)) ms, together $((t3 - t0)) ms"

if [ -n "$expected_failure" ]; then
    if [ "$rc" -ne 1 ] || ! grep -q "^FAIL line $expected_failure: " "$log"; then
        echo "expected the scenario to fail at line $expected_failure (driver exit code $rc)"
        rc=1
    elif [ -n "$expected_text" ] && ! grep -qF -- "$expected_text" "$log"; then
        echo "the failure does not say: $expected_text"
        rc=1
    else
        echo "failed at line $expected_failure as expected"
        rc=0
    fi
fi
exit "$rc"
