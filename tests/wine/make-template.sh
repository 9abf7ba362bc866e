#!/usr/bin/env bash
# Makes the template Wine prefix that every Win32 test copies: a win32 prefix with no Mono/Gecko
# prompts, Wine drawing its own window frames (no window manager under Xvfb), crashes printed
# instead of shown, real fonts (Arial replaced by the metric-compatible Liberation Sans, the dialog
# font mapped as on Windows), and real shell folders instead of links into $HOME. Made once;
# remade when the Wine version or the recipe below changes.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
out=${1:?usage: make-template.sh OUTDIR}
mkdir -p "$out"
out=$(cd "$out" && pwd)
stamp="$out/stamp"
# Raised whenever the settings below change, so that templates made earlier are made again.
recipe=2
arch=$(kv_template_arch "$out")
if [ "$arch" = win32 ] && ! kv_host_runs_32bit; then
    echo "this machine cannot start 32-bit programs (its kernel's 32-bit emulation is off), so Wine" >&2
    echo "cannot run the 32-bit build's tests here: the lab build (preset win64) runs them" >&2
    exit 1
fi
version="$(kv_wine_version), recipe $recipe, $arch"
if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$version" ] && [ -d "$out/prefix" ]; then
    exit 0
fi
exec 9>"$out/.lock"
flock 9
if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$version" ] && [ -d "$out/prefix" ]; then
    exit 0
fi
rm -rf "$out/prefix" "$out/work" "$stamp"
mkdir -p "$out/work"
kv_wine_env "$out/prefix" "$out/work" "$arch"
kv_xvfb_start
trap 'kv_prefix_stop; kv_xvfb_stop' EXIT

"$KV_WINE" wineboot -i >/dev/null 2>&1
reg() { "$KV_WINE" reg add "$@" /f >/dev/null 2>&1; }
reg 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N
reg 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0
reg 'HKCU\Software\Wine\DllOverrides' /v mscoree /t REG_SZ /d ''
reg 'HKCU\Software\Wine\DllOverrides' /v mshtml /t REG_SZ /d ''
reg 'HKCU\Software\Wine\DllOverrides' /v winemenubuilder.exe /t REG_SZ /d ''
reg 'HKCU\Software\Wine\Fonts\Replacements' /v Arial /t REG_SZ /d 'Liberation Sans'
kv_windows_dialog_font reg

fonts="$WINEPREFIX/drive_c/windows/Fonts"
mkdir -p "$fonts"
cp /usr/share/wine/fonts/* "$fonts/" 2>/dev/null || true
cp /usr/share/fonts/truetype/liberation/*.ttf "$fonts/" 2>/dev/null || true

# Shell folders (Desktop, Documents, ...) are links into the Linux home: make them real folders,
# so that what a test writes there stays inside its own prefix.
for link in "$WINEPREFIX"/drive_c/users/*/*; do
    if [ -L "$link" ]; then
        rm -f "$link"
        mkdir -p "$link"
    fi
done

kv_prefix_stop
kv_xvfb_stop
trap - EXIT
rm -rf "$out/work"
echo "$version" >"$stamp"
