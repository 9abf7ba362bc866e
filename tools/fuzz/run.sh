#!/usr/bin/env bash
# Builds the fuzz targets with clang in both word sizes (build/fuzz/64, and build/fuzz/32 with
# -m32, the installer's) and runs every target in each, one after another.
#   tools/fuzz/run.sh --short    every target in both word sizes briefly (part of scripts/test.sh)
#   tools/fuzz/run.sh [SECONDS] [TARGET[/SIZE]...]
#                                every target in both word sizes for SECONDS each (default 600),
#                                or only those named (pack, pack/32)
#   tools/fuzz/run.sh --merge    adds to tests/fuzz/corpus/TARGET what the runs found that
#                                reaches code the corpus does not (libFuzzer -merge=1)
# Each run starts from tests/fuzz/corpus/TARGET; what it adds goes to build/fuzz/SIZE/corpus/.
# A finding leaves its input in build/fuzz/SIZE/ and makes the script exit non-zero; keep it as
# tests/fuzz/corpus/TARGET/regression-NAME once it is mended.
# Where 32-bit programs cannot be built, or run neither natively nor under qemu-i386, the 32-bit
# runs are skipped with a line that says so.
set -eu
cd "$(dirname "$0")/../.."
mode=run
seconds=600
case ${1:-} in
    --short) mode=short seconds=1 ;;
    --merge) mode=merge ;;
    '') ;;
    *) seconds=$1 ;;
esac
[ $# -gt 0 ] && shift
only=("$@")
root=build/fuzz
corpus_root=tests/fuzz/corpus
mkdir -p "$root"

# A 32-bit program needs the 32-bit C and C++ libraries; a kernel without 32-bit support runs it
# only under emulation, where the leak check (which stops threads by ptrace) cannot work.
sizes=(64)
run32=()
probe="$root/probe32"
if ! echo 'int main() { return 0; }' | clang++ -m32 -x c++ - -o "$probe" 2>/dev/null; then
    echo "fuzz: 32-bit targets SKIPPED: clang++ -m32 cannot link (the 32-bit C and C++ libraries" \
        "are missing; scripts/setup.sh installs them)"
elif "$probe" 2>/dev/null; then
    sizes+=(32)
elif command -v qemu-i386 >/dev/null && qemu-i386 -R 0x80000000 "$probe"; then
    sizes+=(32)
    # Two GiB of guest addresses: in qemu's default layout the sanitizer's allocator is handed
    # memory above what it takes for the top of the address space, and stops.
    run32=(qemu-i386 -R 0x80000000)
    echo "fuzz: this kernel runs no 32-bit programs; the 32-bit targets run under qemu-i386"
else
    echo "fuzz: 32-bit targets SKIPPED: this kernel runs no 32-bit programs and qemu-i386 is" \
        "missing (scripts/setup.sh installs it)"
fi

for size in "${sizes[@]}"; do
    m32=OFF
    [ "$size" = 32 ] && m32=ON
    cmake -S tools/fuzz -B "$root/$size" -DCMAKE_CXX_COMPILER=clang++ -DKV_FUZZ_M32=$m32 \
        >/dev/null
    cmake --build "$root/$size" -j2 >/dev/null
done
mapfile -t targets <"$root/64/targets.txt"

# Runs target in size with the given libFuzzer options; its output goes to log.
fuzz() {
    local size=$1 target=$2 log=$3
    shift 3
    local runner=()
    [ "$size" = 32 ] && runner=("${run32[@]}")
    local asan=detect_leaks=1
    [ ${#runner[@]} -eq 0 ] || asan=detect_leaks=0
    # In 32 bits the default quarantine of freed memory fills an eighth of the address space, and
    # under emulation every fresh page is dear: a small one runs three times as fast.
    [ "$size" = 64 ] || asan+=:quarantine_size_mb=8:malloc_context_size=4
    ASAN_OPTIONS="$asan" \
        "${runner[@]}" "$root/$size/fuzz_$target" -rss_limit_mb=2048 -timeout=25 "$@" \
        >"$log" 2>&1
}

if [ "$mode" = merge ]; then
    for target in "${targets[@]}"; do
        mkdir -p "$corpus_root/$target"
        found=()
        for size in "${sizes[@]}"; do
            [ -d "$root/$size/corpus/$target" ] && found+=("$root/$size/corpus/$target")
        done
        [ ${#found[@]} -eq 0 ] && continue
        before=$(ls "$corpus_root/$target" | wc -l)
        # Edges only, not their hit counts: a few dozen small files rather than hundreds.
        fuzz 64 "$target" "$root/64/$target-merge.log" -merge=1 -use_counters=0 -max_len=4096 \
            "$corpus_root/$target" "${found[@]}"
        echo "$target: $before -> $(ls "$corpus_root/$target" | wc -l) corpus files"
    done
    exit 0
fi

# One line per run: runs, executions per second, coverage (edges, features), and the outcome.
report() {
    local size=$1 target=$2 log=$3 outcome=$4
    local runs rate cov
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || true)
    rate=$(grep -o 'stat::average_exec_per_sec: *[0-9]*' "$log" | grep -o '[0-9]*$' || true)
    cov=$(grep -o 'cov: [0-9]* ft: [0-9]*' "$log" | tail -1 || true)
    printf '%-14s %2s-bit %11s runs %8s exec/s  %-18s %s\n' "$target" "$size" "${runs:-?}" \
        "${rate:-?}" "${cov:-cov: ?}" "$outcome"
}

status=0
run_one() {
    local size=$1 target=$2
    if [ ${#only[@]} -gt 0 ] && ! printf '%s\n' "${only[@]}" | grep -qxE "$target(/$size)?"; then
        return 0
    fi
    # Named by process, so that two runs at once on two cores keep their own logs.
    local work="$root/$size/corpus/$target" log="$root/$size/$target.$$.log"
    # The short run starts from the tree's corpus alone, so that its time does not grow with
    # what longer runs found.
    if [ "$mode" = short ]; then
        work="$root/$size/short/$target"
        rm -rf "$work"
    fi
    mkdir -p "$work" "$corpus_root/$target"
    # The codec's targets need room for long matches; the readers of names and lines are as
    # thorough and far faster with short inputs.
    local max_len=8192
    case $target in decode | roundtrip) max_len=70000 ;; esac
    # Under qemu-i386 a 32-bit program lists no folder of a 64-bit file system (the entries'
    # offsets do not fit), so there the corpus comes as a list of files.
    local seeds=("$corpus_root/$target")
    if [ "$size" = 32 ] && [ ${#run32[@]} -gt 0 ]; then
        find "$corpus_root/$target" "$work" -type f | paste -sd, >"$log.seeds"
        seeds=(-seed_inputs=@"$log.seeds")
    fi
    if fuzz "$size" "$target" "$log" -max_total_time="$seconds" -max_len=$max_len \
        -print_final_stats=1 -artifact_prefix="$root/$size/$target-" "$work" "${seeds[@]}"; then
        report "$size" "$target" "$log" clean
    else
        report "$size" "$target" "$log" "FINDING (see $log)"
        tail -30 "$log"
        return 1
    fi
}

for target in "${targets[@]}"; do
    if [ "$mode" = short ]; then
        # Two cores: both word sizes of a target at once.
        pids=()
        for size in "${sizes[@]}"; do
            run_one "$size" "$target" &
            pids+=($!)
        done
        for pid in "${pids[@]}"; do wait "$pid" || status=1; done
    else
        for size in "${sizes[@]}"; do run_one "$size" "$target" || status=1; done
    fi
done
exit $status
