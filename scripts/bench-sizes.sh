#!/usr/bin/env bash
# Sizes of the shipped files, next to the payload that the installer carries and the budgets
# (installer at most 256 KB, Uninstall.exe at most 96 KB). Prints figures; fails only when a file
# is missing. Usage: scripts/bench-sizes.sh [BUILD_DIR] (default build/win32)
set -eu
cd "$(dirname "$0")/.."
build=${1:-build/win32}
installer=$build/Kavento-Install.exe
blob=$build/payload/data/payload.blob
for f in "$installer" "$blob" "$build/programs/Uninstall.exe" "$build/host-tools/kvpack"; do
    [ -f "$f" ] || { echo "missing $f: build the win32 preset first" >&2; exit 1; }
done
size() { stat -c %s "$1"; }
kb() { awk -v b="$1" 'BEGIN { printf "%.1f KB", b / 1024 }'; }
row() { # NAME BYTES [BUDGET_KB]
    local budget=""
    if [ -n "${3:-}" ]; then
        if [ "$2" -le $(($3 * 1024)) ]; then budget="(budget $3 KB: within)"; else budget="(budget $3 KB: OVER)"; fi
    fi
    printf '%-28s %8d bytes %10s %s\n' "$1" "$2" "$(kb "$2")" "$budget"
}
total=$(size "$installer")
payload=$(size "$blob")
row Kavento-Install.exe "$total" 256
row "  of which payload blob" "$payload"
row "  of which the installer" $((total - payload))
for f in Uninstall.exe Kav-Player.exe Kav-Producer.exe fmod.dll; do
    [ -f "$build/programs/$f" ] || continue
    budget=""
    [ "$f" = Uninstall.exe ] && budget=96
    row "$f" "$(size "$build/programs/$f")" $budget
done
# The blob's own entries (1 on; entry 0 is the file-name list) give what the payload unpacks to.
read -r files unpacked < <("$build/host-tools/kvpack" list "$blob" |
    awk '($5 == "stored" || $5 == "compressed") && $1 > 0 {n++; s += $3} END {print n, s}')
row "payload unpacked ($files files)" "$unpacked"
