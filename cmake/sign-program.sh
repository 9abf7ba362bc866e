#!/usr/bin/env bash
# Signs one program in place with Authenticode (SHA-256), as the build's last step for that file.
#   sign-program.sh OSSLSIGNCODE PFX DESCRIPTION TIMESTAMP_URL FILE
# KV_SIGNING_PASSWORD, the PKCS#12 password, is taken from the environment of the build and
# passed on through a file descriptor: never an argument, which every process could read. It
# must be set, empty for a file without a password, so that a forgotten export says so instead
# of ending in a decryption error. The signing time is SOURCE_DATE_EPOCH where it is set, which
# makes two signatures of the same file with the same key the same bytes; a timestamp server
# (TIMESTAMP_URL not empty) adds its own time and so gives up that sameness.
# On any failure the file is removed, so that the next build links it again rather than taking
# the unsigned file for finished.
set -u
tool=$1 pfx=$2 description=$3 timestamp_url=$4 file=$5
signed="$file.signing"
fail() {
    echo "sign-program.sh: $*" >&2
    rm -f "$file" "$signed"
    exit 1
}
[ -n "${KV_SIGNING_PASSWORD+set}" ] ||
    fail "KV_SIGNING_PASSWORD is not set: export it with the password of $pfx (empty for none)"
args=(sign -pkcs12 "$pfx" -h sha256 -n "$description")
if [ -n "${SOURCE_DATE_EPOCH:-}" ]; then
    [[ $SOURCE_DATE_EPOCH =~ ^[0-9]+$ ]] || fail "SOURCE_DATE_EPOCH is not a number of seconds"
    args+=(-time "$SOURCE_DATE_EPOCH")
fi
[ -z "$timestamp_url" ] || args+=(-ts "$timestamp_url")
# osslsigncode refuses an empty password file; a key without a password is read without one.
[ -z "$KV_SIGNING_PASSWORD" ] || args+=(-readpass /dev/fd/3)
rm -f "$signed"
if ! output=$("$tool" "${args[@]}" -in "$file" -out "$signed" 2>&1 3< <(printf %s "$KV_SIGNING_PASSWORD")); then
    printf '%s\n' "$output" >&2
    fail "could not sign $file"
fi
mv -f "$signed" "$file" || fail "could not replace $file by its signed copy"
