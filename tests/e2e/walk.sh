#!/usr/bin/env bash
# Walks the whole wizard headless (scripts/run.sh without a display): tests/e2e/walk.kvd run by
# run-scenario.sh in a prefix under .wine-run/walk/ of the checkout, kept afterwards for a person
# to look at, then where the screenshots are and what was installed. The wizard may not go all
# the way yet: a walk that stops early is reported, not treated as an error.
#   walk.sh BUILD_DIR SCREENSHOT_DIR
set -u
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
. "$root/tests/wine/lib.sh"
build=$(cd "${1:?usage: walk.sh BUILD_DIR SCREENSHOT_DIR}" && pwd)
shots=${2:?usage: walk.sh BUILD_DIR SCREENSHOT_DIR}
mkdir -p "$shots"
shots=$(cd "$shots" && pwd)
template=${KV_WINE_TEMPLATE:-$build/wine-template}
run="$root/.wine-run"
mkdir -p "$run"
log="$run/walk.log"
KV_WORK_DIR="$run/walk" KV_KEEP_WORK=1 KV_SCREENSHOTS="$shots" KV_WINE_TIMEOUT=300 \
    bash "$here/run-scenario.sh" "$build" "$here/walk.kvd" >"$log" 2>&1
rc=$?
prefix="$run/walk/prefix"
# The registry as the walk left it: the prefix's own wineserver reads it back.
target='C:\Program Files\Kavento-Producer'
kv_wine_env "$prefix" "$run/walk" "$(kv_template_arch "$template")"
reg_out=$("$KV_WINE" reg query 'HKLM\SOFTWARE\Kavento-Producer' /s 2>/dev/null) || reg_out=""
reg_out=$(printf '%s' "$reg_out" | tr -d '\r')
kv_prefix_stop

echo "== walk of the wizard (driver log: $log)"
if [ "$rc" -eq 0 ]; then
    echo "the walk went through the whole wizard"
else
    last=$(grep -E '^ *[0-9]+ [a-z-]+( |$)' "$log" | tail -1)
    echo "the walk stopped early (driver exit code $rc) at:"
    echo "  $last"
    sed -n '/^FAIL/,/ passed, /p' "$log" | grep -v ' passed, ' | sed 's/^/  /'
    page=$(grep -E '^ *[0-9]+ screenshot ' "$log" | tail -1 | awk '{print $3}')
    echo "last page reached: ${page:-none}"
fi
echo "== screenshots in $shots:"
ls "$shots" 2>/dev/null | sed 's/^/  /'
echo "== target folder $target:"
folder="$prefix/drive_c/Program Files/Kavento-Producer"
if [ -d "$folder" ]; then ls -l "$folder" | sed 's/^/  /'; else echo "  (not there)"; fi
echo "== registry HKLM\\SOFTWARE\\Kavento-Producer:"
if [ -n "$reg_out" ]; then echo "$reg_out" | sed 's/^/  /'; else echo "  (not there)"; fi
echo "== shortcuts:"
links=$(find "$prefix/drive_c" -name '*.lnk' -newer "$template/stamp" 2>/dev/null)
if [ -n "$links" ]; then echo "$links" | sed "s|^$prefix/drive_c|  C:|"; else echo "  (none)"; fi
echo "== the prefix stays in $run/walk/prefix"
exit 0
