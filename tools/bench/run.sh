#!/usr/bin/env bash
# The codec benchmark: builds the corpus into build/corpus when missing, builds stream_bench in the
# host build and prints the figures for corpus.bin and typical.bin. Not part of the test run.
# Usage: tools/bench/run.sh [-LEVEL]... [FILE...]
set -eu
cd "$(dirname "$0")/../.."
corpus=build/corpus
if [ ! -f "$corpus/corpus.bin" ]; then
    bash tools/bench/make-corpus.sh "$corpus"
fi
cmake --preset host >/dev/null
cmake --build --preset host --target stream_bench >/dev/null
files=()
levels=()
for a in "$@"; do
    case $a in -[1-9]) levels+=("$a") ;; *) files+=("$a") ;; esac
done
[ ${#files[@]} -gt 0 ] || files=("$corpus/corpus.bin" "$corpus/typical.bin")
exec build/host/tools/stream_bench "${levels[@]}" "${files[@]}"
