#!/usr/bin/env bash
# Two clean builds of one commit must give a byte-identical installer: builds the installer again
# in a fresh folder elsewhere and compares it with build/win32/Kavento-Install.exe.
# Then the same for signed builds, where the signing test (tests/signing) has made build/signed:
# that second build, signed with the test's certificate and signing time, must give the same
# installer and Uninstall.exe as build/signed (brought up to date first).
set -eu
cd "$(dirname "$0")/.."
first=build/win32/Kavento-Install.exe
second_dir=$(mktemp -d /tmp/kv-repro.XXXXXX)
trap 'rm -rf "$second_dir"' EXIT
cmake -S . -B "$second_dir" -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchain-i686-mingw.cmake" \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$second_dir" --target Kavento-Install -j2 >/dev/null
status=0
same() { # NAME FIRST SECOND: FIRST and SECOND are byte-identical
    if cmp -s "$2" "$3"; then
        echo "reproducible: $1 identical in two clean builds ($(stat -c %s "$2") bytes)"
    else
        echo "NOT reproducible: $1 differs between two clean builds"
        cmp "$2" "$3" | head -3
        status=1
    fi
}
same Kavento-Install.exe "$first" "$second_dir/Kavento-Install.exe"

signed=build/signed
pfx=$signed/test-certificate/publisher.pfx
. tests/signing/lib.sh
if [ -n "$(kv_signing_tools_missing)" ] || [ ! -f "$pfx" ]; then
    echo "signed builds not compared: no signed build in $signed (osslsigncode missing, or the" \
        "signing test has not run)"
    exit $status
fi
# Signing the second build links again only the two signed programs and packs the payload anew.
kv_build_signed "$PWD" "$signed" "$PWD/$pfx"
kv_build_signed "$PWD" "$second_dir" "$PWD/$pfx"
for file in Kavento-Install.exe programs/Uninstall.exe; do
    same "signed $file" "$signed/$file" "$second_dir/$file"
done
exit $status
