#!/usr/bin/env bash
# Builds everything and starts the installer under Wine in the project-local prefix .wine-run/.
# With a display it opens for a person; without one it runs under Xvfb, walked by the test
# driver, with a screenshot of every page saved under build/screenshots/.
set -eu
cd "$(dirname "$0")/.."
root=$PWD
bash scripts/build.sh
. tests/wine/lib.sh
kv_template_ready build/win32/wine-template
if [ -n "${DISPLAY:-}" ]; then
    mkdir -p .wine-run
    [ -d .wine-run/prefix ] || cp -a build/win32/wine-template/prefix .wine-run/prefix
    kv_wine_env "$root/.wine-run/prefix" "$root/.wine-run"
    # Also in a prefix made before the template had it.
    reg() { wine reg add "$@" /f >/dev/null 2>&1; }
    kv_windows_dialog_font reg
    wine build/win32/Kavento-Install.exe
    kv_prefix_stop
else
    bash tests/e2e/walk.sh "$root/build/win32" "$root/build/screenshots"
fi
