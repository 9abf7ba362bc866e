#!/usr/bin/env bash
# kvpack from the command line: pack / list / unpack / encode / decode round trips, and the
# one-line errors for missing, corrupt and truncated inputs. Usage: kvpack_cli_test.sh KVPACK
set -u
kvpack=$1
work=$(mktemp -d /tmp/kvpack-test.XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work"
passed=0 failed=0
ok() { passed=$((passed + 1)); }
bad() { failed=$((failed + 1)); echo "FAIL: $*"; }
expect_fail() { # expect_fail WORD-IN-MESSAGE command...
    local word=$1; shift
    if "$@" 2>err.txt; then bad "succeeded: $*"; return; fi
    if [ "$(wc -l <err.txt)" -eq 1 ] && grep -qF -- "$word" err.txt; then ok; else
        bad "message for '$*' lacks '$word': $(cat err.txt)"; fi
}

mkdir in out
head -c 300000 /dev/urandom >in/random.bin                      # stored: does not shrink
yes 'Kavento payload line' | head -c 200000 >in/text.txt         # compressed
: >in/empty.dat
printf 'x' >in/one.bin
"$kvpack" pack blob.pac in/random.bin in/text.txt in/empty.dat in/one.bin && ok || bad "pack"
"$kvpack" list blob.pac >list.txt && ok || bad "list"
grep -q 'random.bin' list.txt && grep -q ' stored ' list.txt && grep -q 'compressed' list.txt \
    && ok || bad "list output: $(cat list.txt)"
"$kvpack" unpack blob.pac out && ok || bad "unpack"
for f in random.bin text.txt empty.dat one.bin; do cmp -s "in/$f" "out/$f" && ok || bad "unpacked $f differs"; done

# The layout the installer reads: entry 0 holds the names, each followed by CR LF.
names=$(printf 'random.bin\r\ntext.txt\r\nempty.dat\r\none.bin\r\n' | wc -c)
[ "$(od -An -tu4 -N4 blob.pac | tr -d ' ')" = "$names" ] && ok || bad "entry 0 size"
# The random file is entry 1 and stored: both sizes 300000, bytes as they are.
off=$(( 8 + $(od -An -tu4 -j4 -N4 blob.pac | tr -d ' ') ))
[ "$(od -An -tu4 -j$off -N8 blob.pac | tr -s ' ')" = " 300000 300000" ] && ok || bad "stored entry header"
cmp -s <(tail -c +$((off + 9)) blob.pac | head -c 300000) in/random.bin && ok || bad "stored entry bytes"

"$kvpack" encode in/text.txt t.stream && "$kvpack" decode t.stream t.out && cmp -s in/text.txt t.out \
    && ok || bad "encode/decode"
"$kvpack" -9 encode in/text.txt t9.stream && "$kvpack" decode t9.stream t9.out && cmp -s in/text.txt t9.out \
    && ok || bad "encode -9"

expect_fail 'missing.bin' "$kvpack" pack b2.pac missing.bin
[ ! -e b2.pac ] && ok || bad "failed pack left an output"
expect_fail 'no.stream' "$kvpack" decode no.stream x
expect_fail 'not a compressed stream' "$kvpack" decode in/text.txt x
# A flipped bit in the middle of the stream: reported, and no output written.
cp t.stream c.stream
printf '\xff' | dd of=c.stream bs=1 seek=40 conv=notrunc status=none
expect_fail 'corrupt' "$kvpack" decode c.stream c.out
[ ! -e c.out ] && ok || bad "corrupt stream was written out"
head -c 30 t.stream >short.stream
expect_fail 'corrupt' "$kvpack" decode short.stream s.out
head -c 100000 blob.pac >cut.pac
expect_fail 'cut.pac' "$kvpack" list cut.pac
mkdir out2
expect_fail 'cut.pac' "$kvpack" unpack cut.pac out2
[ -z "$(ls out2)" ] && ok || bad "unpack of a truncated blob wrote files"
expect_fail 'text.txt' "$kvpack" pack b3.pac in/text.txt in/text.txt
# Names the installer refuses (Windows would strip the trailing dots and blanks) are refused here.
for name in 'a.' 'a ' '...'; do
    printf 'x' >"in/$name"
    expect_fail "in/$name" "$kvpack" pack b4.pac in/text.txt "in/$name"
done
[ ! -e b4.pac ] && ok || bad "a refused name left a blob"
printf '\004\0\0\0\004\0\0\0a.\r\n\001\0\0\0\001\0\0\0x' >dot.pac
expect_fail 'refuses the file name "a."' "$kvpack" unpack dot.pac not-made
[ ! -e not-made ] && ok || bad "a failed unpack made its folder"

# A stream of 0 bytes decodes to an empty file, and its check value is checked all the same.
"$kvpack" encode in/empty.dat e0.stream && "$kvpack" decode e0.stream e0.out && [ ! -s e0.out ] \
    && ok || bad "empty stream round trip"
[ "$(wc -c <e0.stream)" -eq 14 ] && ok || bad "empty stream is $(wc -c <e0.stream) bytes"
cp e0.stream e0bad.stream
printf '\001' | dd of=e0bad.stream bs=1 seek=6 conv=notrunc status=none
expect_fail 'corrupt' "$kvpack" decode e0bad.stream e0bad.out
# A compressed entry of 0 bytes is an empty file. The packer stores empty files (a stream is
# larger), so this blob is made by hand; it unpacks into a folder that does not exist yet.
{ printf '\007\0\0\0\007\0\0\0e.dat\r\n\0\0\0\0\016\0\0\0'; cat e0.stream; } >e0.pac
"$kvpack" list e0.pac | grep -Eq '^ +1 +15 +0 +14  compressed +e\.dat$' && ok || bad "list e0.pac"
"$kvpack" unpack e0.pac new/folder && [ -f new/folder/e.dat ] && [ ! -s new/folder/e.dat ] \
    && ok || bad "unpack of a compressed empty entry into a new folder"
# A size beyond the cap is refused before anything is allocated for it, in a stream and in an
# entry. An entry that fails after an earlier one was decoded leaves no file and no folder.
{ printf 'JC\377\377\377\377\0\0\0\0'; head -c 64 /dev/zero; } >huge.stream
expect_fail '256 MiB' "$kvpack" decode huge.stream huge.out
[ ! -e huge.out ] && ok || bad "a refused stream was written out"
printf '\016\0\0\0\016\0\0\0a.bin\r\nb.bin\r\n\001\0\0\0\001\0\0\0x\005\0\0\0\016\0\0\0JC\005\0\0\0\0\0\0\0\0\0\0\0' >late.pac
expect_fail 'entry 2 (b.bin)' "$kvpack" unpack late.pac late
[ ! -e late ] && ok || bad "a failed unpack left $(ls late)"
printf '\007\0\0\0\007\0\0\0a.bin\r\n\377\377\377\377\112\0\0\0' >huge.pac
cat huge.stream >>huge.pac
expect_fail '256 MiB' "$kvpack" unpack huge.pac huge
expect_fail '256 MiB' "$kvpack" list huge.pac
expect_fail 'usage' "$kvpack" frobnicate

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
