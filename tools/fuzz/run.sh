#!/usr/bin/env bash
# Builds the codec fuzzers with clang (build/fuzz) and runs each one.
#   tools/fuzz/run.sh --short   about 5 s per target (part of scripts/test.sh)
#   tools/fuzz/run.sh [SECONDS] each target for SECONDS (default 600), the longer run
# Seeds come from tools/fuzz/seeds/; new corpus entries go to build/fuzz/corpus/TARGET.
# A finding leaves its reproducer in build/fuzz/ and makes the script exit non-zero.
set -eu
cd "$(dirname "$0")/../.."
seconds=600
case ${1:-} in
    --short) seconds=5 ;;
    '') ;;
    *) seconds=$1 ;;
esac
build=build/fuzz
cmake -S tools/fuzz -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 >/dev/null
status=0
for target in fuzz_decode fuzz_roundtrip; do
    corpus="$build/corpus/$target"
    mkdir -p "$corpus"
    log="$build/$target.log"
    if "$build/$target" -max_total_time="$seconds" -max_len=70000 -rss_limit_mb=2048 \
        -artifact_prefix="$build/$target-" -print_final_stats=1 "$corpus" tools/fuzz/seeds \
        >"$log" 2>&1; then
        echo "$target: clean, $(grep -m1 -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$') runs in ${seconds}s"
    else
        echo "$target: FINDING (see $log)"
        tail -30 "$log"
        status=1
    fi
done
exit $status
