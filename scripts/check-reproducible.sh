#!/usr/bin/env bash
# Two clean builds of one commit must give a byte-identical installer: builds the installer again
# in a fresh folder elsewhere and compares it with build/win32/Kavento-Install.exe.
set -eu
cd "$(dirname "$0")/.."
first=build/win32/Kavento-Install.exe
second_dir=$(mktemp -d /tmp/kv-repro.XXXXXX)
trap 'rm -rf "$second_dir"' EXIT
cmake -S . -B "$second_dir" -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchain-i686-mingw.cmake" \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$second_dir" --target Kavento-Install -j2 >/dev/null
if cmp -s "$first" "$second_dir/Kavento-Install.exe"; then
    echo "reproducible: Kavento-Install.exe identical in two clean builds ($(stat -c %s "$first") bytes)"
else
    echo "NOT reproducible: Kavento-Install.exe differs between two clean builds"
    cmp "$first" "$second_dir/Kavento-Install.exe" | head -3
    exit 1
fi
