#!/usr/bin/env bash
# Installs what the build and the tests need on Debian 12, only when something is missing.
set -eu
# lib32stdc++-12-dev and libc6-dev-i386: the C and C++ libraries of the 32-bit fuzz targets
# (clang's own 32-bit fuzzer and sanitizer runtimes come with libclang-rt-14-dev). The x86-64
# cross compiler builds the lab build, for machines whose kernel starts no 32-bit programs.
packages=(cmake make g++ clang libclang-rt-14-dev lib32stdc++-12-dev libc6-dev-i386 git python3
    zlib1g-dev liblzma-dev xz-utils g++-mingw-w64-i686 binutils-mingw-w64-i686
    g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 wine wine32:i386
    wine64 xvfb xauth imagemagick fonts-wine fonts-liberation libgl1-mesa-dri:i386 libgl1:i386
    libglx-mesa0:i386 util-linux xdotool osslsigncode openssl time)
as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)
export DEBIAN_FRONTEND=noninteractive
updated=0

# Installs those of the named packages that are missing; options for apt-get come first.
install_missing() {
    local options=() missing=() p
    while [ $# -gt 0 ] && [ "${1#-}" != "$1" ]; do
        options+=("$1")
        shift
    done
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "setup: installing ${missing[*]}"
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        "${as_root[@]}" dpkg --add-architecture i386
        updated=0
    fi
    if [ $updated = 0 ]; then
        "${as_root[@]}" apt-get update -qq
        updated=1
    fi
    "${as_root[@]}" apt-get install -y -qq "${options[@]}" "${missing[@]}" >/dev/null
}

install_missing "${packages[@]}"
# A kernel without 32-bit support runs the 32-bit fuzz targets only under emulation. Without the
# recommended binfmt-support, so that nothing else on the machine starts going through it.
if ! /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
    install_missing --no-install-recommends qemu-user
fi
