#!/usr/bin/env bash
# Benchmark of the installer under Wine, next to the floor that Wine itself sets:
#   start-up: from process start to the first wizard page shown and painted;
#   install:  from the click on "Installieren" to the success message (the twenty steps);
# each measured the same way for a minimal Win32 program with one window whose button opens a
# message box. A second floor adds the DirectDraw object that the system check must create at
# start-up, the largest single cost of the installer's start under Wine. Every round uses a fresh
# copy of the template prefix. Prints the median and the range of RUNS runs (default 5).
# Usage: scripts/bench-install.sh [RUNS]
set -eu
cd "$(dirname "$0")/.."
root=$PWD
build=${KV_BUILD:-$root/build/win32}
runs=${1:-5}
. tests/wine/lib.sh
template=$build/wine-template
kv_template_ready "$template"
for f in "$build/Kavento-Install.exe" "$build/bench/kvbench.exe" "$build/bench/minimal_window.exe" \
    "$build/bench/minimal_window_ddraw.exe"; do
    [ -f "$f" ] || { echo "missing $f: build the win32 preset first" >&2; exit 1; }
done

# One round in a fresh prefix: a discarded warm-up run (the prefix's wineserver and desktop
# process start with the first program), then the floor, then the installer. Appends
# "startup_ms action_ms" to $work/floor and $work/installer.
bench() { # PROGRAM CLICKS...
    local program=$1
    shift
    timeout -k 5 120 "$KV_WINE" "$build/bench/kvbench.exe" "C:\\setup\\$(basename "$program")" "$@" 2>/dev/null | tr -d '\r' |
        awk '/^startup_ms/ {s=$2} /^action_ms/ {a=$2} END {if (s != "" && a != "") print s, a}'
}
round() {
    kv_sandbox_begin "$template" || return 1
    mkdir -p "$WINEPREFIX/drive_c/setup"
    cp "$build/bench/minimal_window.exe" "$build/bench/minimal_window_ddraw.exe" \
        "$build/Kavento-Install.exe" "$WINEPREFIX/drive_c/setup/"
    bench "$build/bench/minimal_window.exe" >/dev/null
    bench "$build/bench/minimal_window.exe" >>"$work/floor"
    bench "$build/bench/minimal_window_ddraw.exe" >>"$work/floor_ddraw"
    # The installer is walked with its defaults: Next, Next, accept the licence, Next, Next, Next.
    bench "$build/Kavento-Install.exe" 37 37 17 37 37 37 >>"$work/installer"
    kv_sandbox_end
}

# summary COLUMN FILE: "median min max" of a column; stats prints it as "median ms (min-max)".
summary() {
    sort -n -k"$1" "$2" | awk -v c="$1" '{v[NR]=$c} END {print (NR%2)?v[(NR+1)/2]:(v[NR/2]+v[NR/2+1])/2, v[1], v[NR]}'
}
stats() { summary "$1" "$2" | awk '{printf "%7.1f ms (%.1f-%.1f)", $1, $2, $3}'; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for i in $(seq "$runs"); do
    round
done
[ -s "$work/installer" ] && [ -s "$work/floor" ] || { echo "no successful run" >&2; exit 1; }
echo "runs: $runs (wine $(kv_wine_version))"
printf "start-up to first page painted: installer %s   floor %s   ratio %.2f (target <= 1.5)\n" \
    "$(stats 1 "$work/installer")" "$(stats 1 "$work/floor")" \
    "$(echo "$(summary 1 "$work/installer") $(summary 1 "$work/floor")" | awk '{print $1/$4}')"
printf "  the floor with the DirectDraw object the system check creates: %s\n" "$(stats 1 "$work/floor_ddraw")"
printf "Install click to success message: installer %s   floor %s   (target < 500 ms)\n" \
    "$(stats 2 "$work/installer")" "$(stats 2 "$work/floor")"
