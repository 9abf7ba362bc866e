#!/usr/bin/env bash
# The signed build: a throwaway CA and publisher certificate, a second Win32 build signed with it
# in its own folder, both signatures checked against that CA, one changed byte checked to break
# the installer's, and the signed installer run end to end under Wine, installing a byte-identical
# Uninstall.exe and removing everything again. Exit code 77 (skipped) where osslsigncode or
# openssl is missing. scripts/check-reproducible.sh builds the same a second time to compare.
#   run.sh SOURCE_DIR BUILD_DIR SIGNED_BUILD_DIR
# BUILD_DIR is the ordinary cross build of the same sources, already built: the signed build takes
# its host tools, and the scenario its test driver and (by default) its Wine template.
set -u
usage="usage: run.sh SOURCE_DIR BUILD_DIR SIGNED_BUILD_DIR"
source_dir=$(cd "${1:?$usage}" && pwd)
unsigned=$(cd "${2:?$usage}" && pwd)
build=${3:?$usage}
. "$source_dir/tests/signing/lib.sh"
missing=$(kv_signing_tools_missing)
if [ -n "$missing" ]; then
    echo "SKIPPED: the signed build needs ${missing}(bash scripts/setup.sh installs them)"
    exit 77
fi

certificate="$build/test-certificate"
kv_make_test_certificate "$certificate" || { echo "could not make the test certificate"; exit 1; }
started=$(date +%s)
kv_build_signed "$source_dir" "$build" "$certificate/publisher.pfx" \
    -DKV_PREBUILT_HOST_TOOLS="$unsigned/host-tools" ||
    { echo "the signed build failed"; exit 1; }
echo "signed build: $(($(date +%s) - started)) s"

status=0
check() { # DESCRIPTION COMMAND...: prints ok or FAILED with DESCRIPTION
    if "${@:2}"; then echo "ok: $1"; else echo "FAILED: $1"; status=1; fi
}
not() { ! "$@"; }
verifies() { # FILE: the signature of FILE holds against the test CA and names the publisher
    local output
    output=$(osslsigncode verify -CAfile "$certificate/ca.pem" -in "$1" 2>&1)
    grep -q "Subject: /CN=$KV_TEST_PUBLISHER" <<<"$output" && grep -q '^Succeeded' <<<"$output"
}
check "the password is stored nowhere in the build folder" \
    not grep -rqF "$KV_TEST_SIGNING_PASSWORD" "$build"
check "the installer's signature verifies" verifies "$build/Kavento-Install.exe"
check "Uninstall.exe's signature verifies" verifies "$build/programs/Uninstall.exe"

# One byte in the middle of the installer lies in its code or payload, which the signature covers.
changed="$build/test-certificate/changed.exe"
cp "$build/Kavento-Install.exe" "$changed"
middle=$(($(stat -c %s "$changed") / 2))
byte=$(od -An -tu1 -j "$middle" -N1 "$changed" | tr -d ' ')
printf "\\$(printf %03o $(((byte + 1) % 256)))" | dd of="$changed" bs=1 seek="$middle" conv=notrunc \
    status=none
check "the file was changed" not cmp -s "$changed" "$build/Kavento-Install.exe"
check "a changed byte breaks the signature" not verifies "$changed"

# A signing that fails (here for a wrong password) must remove the program, or the next build
# would take the unsigned file for finished.
probe="$certificate/probe.exe"
cp "$build/programs/Uninstall.exe" "$probe"
check "a wrong password fails the signing" not env KV_SIGNING_PASSWORD=wrong \
    bash "$source_dir/cmake/sign-program.sh" osslsigncode "$certificate/publisher.pfx" probe "" \
    "$probe" 2>/dev/null
check "a failed signing leaves no program behind" not test -e "$probe"

# The scenario compares the installed Uninstall.exe with the build's signed one. It needs Wine's
# 32-bit side, which a machine without 32-bit programs cannot start.
. "$source_dir/tests/wine/lib.sh"
if ! kv_host_runs_32bit; then
    echo "not run: the signed installer end to end (this machine cannot start 32-bit programs)"
    exit $status
fi
check "the signed installer installs and uninstalls" env \
    KV_DRIVER="$unsigned/tests/driver/kvdriver.exe" \
    KV_WINE_TEMPLATE="${KV_WINE_TEMPLATE:-$unsigned/wine-template}" \
    bash "$source_dir/tests/e2e/run-scenario.sh" "$build" "$source_dir/tests/e2e/uninstall_roundtrip.kvd"
exit $status
