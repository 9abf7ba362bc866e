#!/usr/bin/env bash
# kvpack decode of streams that declare far more than they hold: time and peak memory of each.
# Figures only, not a test. Usage: tools/bench/decode-bombs.sh [KVPACK] (default: the host build's)
set -eu
cd "$(dirname "$0")/../.."
kvpack=${1:-}
if [ -z "$kvpack" ]; then
    cmake --preset host >/dev/null
    cmake --build --preset host --target kvpack >/dev/null
    kvpack=build/host/tools/kvpack
fi
work=$(mktemp -d /tmp/kvbombs.XXXXXX)
trap 'rm -rf "$work"' EXIT
bytes() { printf "$(echo "$*" | tr -d ' ' | sed 's/../\\x&/g')"; }
# 74 bytes each: "JC", the declared size, a check value of 0, then 16 zero words (an end token).
bytes 4A43 FFFFFFFF 00000000 >"$work/declares-4GiB.jc"
bytes 4A43 00000010 00000000 >"$work/declares-256MiB.jc"
head -c 64 /dev/zero | tee -a "$work/declares-4GiB.jc" >>"$work/declares-256MiB.jc"
# 58 bytes that do make 8 MiB + 1: a literal, then eight matches of 1 MiB at distance 1.
bytes 4A43 01008000 00000000 5511DE20 51555555 55555515 55551155 15515555 55555555 55555511 \
    55155155 11555555 55555555 55551551 00005555 >"$work/makes-8MiB.jc"
for stream in "$work"/*.jc; do
    /usr/bin/time -f "$(basename "$stream") ($(wc -c <"$stream") bytes): %e s, peak %M KiB, exit %x" \
        "$kvpack" decode "$stream" "$work/out" 2>&1 | sed '/^Command exited/d; s/^kvpack: .*: /    /'
done
