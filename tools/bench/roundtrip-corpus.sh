#!/usr/bin/env bash
# Round-trips every benchmark corpus file, building the corpus first when it is missing.
# Usage: roundtrip-corpus.sh STREAM_ROUNDTRIP CORPUS_DIR
set -eu
tool=$1 dir=$2
here=$(cd "$(dirname "$0")" && pwd)
if [ ! -f "$dir/corpus.bin" ]; then
    bash "$here/make-corpus.sh" "$dir" >/dev/null
fi
# The default level on the payload-sized file, the fastest on the rest to keep the test short.
"$tool" "$dir/typical.bin" -1 "$dir"/*.dll "$dir/corpus.bin"
