# Shell helpers for running Win32 programs under Wine in private prefixes, sourced by the test
# wrapper, the end-to-end scenarios and scripts/run.sh. Every prefix is a copy of the template;
# every helper that starts a wineserver or an Xvfb stops exactly that one again.

KV_WINE_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

# kv_host_runs_32bit: whether this machine starts 32-bit Linux programs, which Wine's 32-bit side
# is. A kernel can have that switched off; then only 64-bit Wine runs (the lab build).
kv_host_runs_32bit() { /usr/lib/wine/wine --version >/dev/null 2>&1; }

# kv_template_arch TEMPLATE: win32 or win64, as the build that owns the template recorded it.
kv_template_arch() { cat "$1/arch" 2>/dev/null || echo win32; }

# kv_wine_env PREFIX_DIR WORK_DIR [ARCH]: the environment of every Wine command, and KV_WINE, the
# loader to start programs with. A 64-bit prefix is started by 64-bit Wine directly: the `wine`
# command would try the 32-bit loader first.
kv_wine_env() {
    export WINEPREFIX="$1" WINEARCH=${3:-win32} WINEDEBUG=-all
    if [ "$WINEARCH" = win64 ]; then
        export WINELOADER=/usr/lib/wine/wine64
        KV_WINE=$WINELOADER
    else
        unset WINELOADER
        KV_WINE=wine
    fi
    export WINEDLLOVERRIDES="${KV_DLL_OVERRIDES:+$KV_DLL_OVERRIDES;}mscoree,mshtml=;winemenubuilder.exe=d"
    export HOME="$2/home" TMPDIR="$2/tmp"
    mkdir -p "$HOME" "$TMPDIR"
}

# kv_xvfb_start: starts a private Xvfb on a free display, sets DISPLAY and KV_XVFB_PID.
kv_xvfb_start() {
    local fifo
    fifo=$(mktemp -u "${TMPDIR:-/tmp}/xvfb.XXXXXX")
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
    KV_XVFB_PID=$!
    local n
    read -r -t 20 n <"$fifo" || n=""
    rm -f "$fifo"
    if [ -z "$n" ]; then
        echo "Xvfb did not start" >&2
        return 1
    fi
    export DISPLAY=":$n"
}

kv_xvfb_stop() {
    if [ -n "${KV_XVFB_PID:-}" ]; then
        kill "$KV_XVFB_PID" 2>/dev/null
        wait "$KV_XVFB_PID" 2>/dev/null
        KV_XVFB_PID=""
    fi
}

# kv_prefix_stop: ends this prefix's wineserver (and with it its programs), flushing the registry.
kv_prefix_stop() {
    wineserver -k 2>/dev/null
    wineserver -w 2>/dev/null
    true
}

# kv_template_ready TEMPLATE: makes the template prefix unless it is there already, for this
# version of Wine (a few milliseconds when it is).
kv_template_ready() {
    "$KV_WINE_DIR/make-template.sh" "$1"
}

# kv_sandbox_begin TEMPLATE: a fresh work folder with a copy of the template prefix and an Xvfb.
# Sets KV_WORK (a new folder in /tmp, or KV_WORK_DIR emptied first) and the Wine environment.
# Pair it with kv_sandbox_end, which removes the folder unless KV_KEEP_WORK is set.
kv_sandbox_begin() {
    local template=$1
    if [ -n "${KV_WORK_DIR:-}" ]; then
        rm -rf "$KV_WORK_DIR"
        mkdir -p "$KV_WORK_DIR"
        KV_WORK=$(cd "$KV_WORK_DIR" && pwd)
    else
        KV_WORK=$(mktemp -d /tmp/kvwine.XXXXXX)
    fi
    cp -a "$template/prefix" "$KV_WORK/prefix"
    kv_wine_env "$KV_WORK/prefix" "$KV_WORK" "$(kv_template_arch "$template")"
    if [ -n "${KV_USE_DISPLAY:-}" ] && [ -n "${DISPLAY:-}" ]; then
        KV_XVFB_PID=""
    else
        kv_xvfb_start
    fi
}

kv_sandbox_end() {
    kv_prefix_stop
    kv_xvfb_stop
    if [ -z "${KV_KEEP_WORK:-}" ]; then rm -rf "$KV_WORK"; fi
}

# kv_windows_dialog_font REG_ADD: the gadget font as Windows draws it. Wine's default maps the
# dialog font "MS Shell Dlg" to Tahoma metrics, wider than the MS Sans Serif metrics that Windows
# uses, and the wizard's labels, laid out for those, would wrap and be cut off. REG_ADD is a
# command that runs `wine reg add ARGS... /f`.
kv_windows_dialog_font() {
    "$1" 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' \
        /v 'MS Shell Dlg' /t REG_SZ /d 'MS Sans Serif'
}

# kv_wine_version: the version that the template was made with, to know when to remake it.
kv_wine_version() {
    "${KV_WINE:-wine}" --version 2>/dev/null || /usr/lib/wine/wine64 --version 2>/dev/null || echo unknown
}
