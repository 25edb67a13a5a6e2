#!/bin/sh
# Builds the fuzz preset and runs each libFuzzer target, one after the other, for the given
# seconds (default 60), starting from its seed corpus in fuzz/corpus/<target>. New inputs go to
# build/fuzz-corpus/<target>, crash inputs to build/fuzz-artifacts/<target>/.
# Usage: fuzz/run-fuzzers.sh [seconds] [target...]. Exits non-zero when a target fails.
# FUZZ_FLAGS adds libFuzzer options, e.g. FUZZ_FLAGS=-runs=10000000 to stop after that many.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
seconds=${1:-60}
[ $# -gt 0 ] && shift
targets=${*:-fuzz_registry fuzz_archive fuzz_table fuzz_converter fuzz_idbdump fuzz_loader fuzz_workbook}

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "${FUZZ_BUILD_JOBS:-2}" --target $targets

failed=""
for target in $targets; do
    work="build/fuzz-corpus/$target"
    artifacts="build/fuzz-artifacts/$target"
    log="build/fuzz-logs/$target.log"
    mkdir -p "$work" "$artifacts" "$(dirname "$log")"
    printf '\n== %s: %s s\n' "$target" "$seconds"
    status=0
    # One process, no forks: the machine is shared. 64 KiB holds every seed and much more.
    "build/fuzz/fuzz/$target" -max_total_time="$seconds" -max_len=65536 -timeout=30 \
        -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$artifacts/" ${FUZZ_FLAGS:-} \
        "$work" "fuzz/corpus/$target" >"$log" 2>&1 || status=$?
    grep -E '^#[0-9]+[[:space:]]+DONE|^stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)' \
        "$log" || true
    echo "corpus: $(find "$work" -type f | wc -l) files in $work"
    if [ "$status" -ne 0 ]; then
        tail -n 40 "$log"
        grep -E 'Test unit written to' "$log" || true
        failed="$failed $target"
    fi
done
if [ -n "$failed" ]; then
    echo "fuzzing failed:$failed (crash inputs in build/fuzz-artifacts/)" >&2
    exit 1
fi
echo "no crash"
