#!/usr/bin/env bash
# Installs what the build and the tests need on Debian 12, only when something is missing.
set -eu
packages=(cmake make g++ clang libclang-rt-14-dev git python3 zlib1g-dev liblzma-dev xz-utils
    g++-mingw-w64-i686 binutils-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 wine wine32:i386 wine64 xvfb xauth imagemagick
    fonts-wine fonts-liberation libgl1-mesa-dri:i386 libgl1:i386 libglx-mesa0:i386 util-linux
    xdotool osslsigncode openssl time)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "setup: installing ${missing[*]}"
as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${as_root[@]}" dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
