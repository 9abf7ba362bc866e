#!/usr/bin/env bash
# Builds everything and starts the installer under Wine in the project-local prefix .wine-run/.
# With a display it opens for a person; without one it runs under Xvfb, walked by the test
# driver, with a screenshot of every page saved under build/screenshots/.
set -eu
cd "$(dirname "$0")/.."
root=$PWD
bash scripts/build.sh
. tests/wine/lib.sh
build=build/win32
if ! kv_host_runs_32bit; then
    echo "This machine cannot start 32-bit programs: running the 64-bit lab build of the installer."
    build=build/win64
fi
kv_template_ready "$build/wine-template"
arch=$(kv_template_arch "$build/wine-template")
if [ -n "${DISPLAY:-}" ]; then
    prefix=.wine-run/prefix-$arch
    mkdir -p .wine-run
    [ -d "$prefix" ] || cp -a "$build/wine-template/prefix" "$prefix"
    kv_wine_env "$root/$prefix" "$root/.wine-run" "$arch"
    # Also in a prefix made before the template had it.
    reg() { "$KV_WINE" reg add "$@" /f >/dev/null 2>&1; }
    kv_windows_dialog_font reg
    "$KV_WINE" "$build/Kavento-Install.exe"
    kv_prefix_stop
else
    bash tests/e2e/walk.sh "$root/$build" "$root/build/screenshots"
fi
