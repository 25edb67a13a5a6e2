#!/bin/sh
# Time from a save of Weapons.txt to the new items.idb under a running itemwatch, on the example
# tables and on generated ones. Each save changes one cell; the clock runs from just before the
# write until itemwatch has printed its "rebuilt" line (the new file is in place by then).
# Usage: bench/watch-latency.sh [BUILD_DIR] [rows per table ...]   (default: build/release 2000)
# Needs the build's Marrow, ini2reg, itemcheck, itemwatch and gen_tables. SAVES (default 5)
# saves per case; prints the median and the range, and the settle time they include.
# Not part of the test suite.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
bin=${1:-$root/build/release}
[ $# -gt 0 ] && shift
sizes=${*:-2000}
saves=${SAVES:-5}
settle=${SETTLE_MS:-500}
work=$(mktemp -d)
watcher=""
trap '[ -n "$watcher" ] && kill "$watcher" 2>/dev/null; rm -rf "$work"' EXIT

mkdir "$work/bin"
cp "$bin/tools/itemwatch" "$bin/tools/itemcheck" "$bin/driver/Marrow" "$work/bin/"

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
now() { date +%s.%N; }
# wait_for <n>: until the log holds n "rebuilt" lines; gives up on a "not rebuilt" line or after
# two minutes.
wait_for() {
    tries=0
    until [ "$(grep -c " rebuilt " "$work/log")" -ge "$1" ]; do
        if grep -q "not rebuilt" "$work/log" || [ "$tries" -gt 12000 ]; then
            cat "$work/log" >&2
            exit 1
        fi
        tries=$((tries + 1))
        sleep 0.01
    done
}

# measure <name> <folder>: SAVES saves of the first weapon's price under one watcher.
measure() {
    dir=$2
    cp "$root/examples/Ini2Reg.bat" "$bin/tools/ini2reg" "$dir/"
    mkdir -p "$dir/out"
    (cd "$dir" && exec "$work/bin/itemwatch" --settle-ms "$settle" out >"$work/log" 2>&1) &
    watcher=$!
    wait_for 1
    : >"$work/times"
    i=1
    while [ "$i" -le "$saves" ]; do
        before=$(grep -c " rebuilt " "$work/log")
        sleep 1
        start=$(now)
        # The second data row's second cell (its price) gets a new value each save.
        awk -v v="$((100 + i))" 'BEGIN { FS = OFS = "\t" } NR == 3 { $2 = v } { print }' \
            "$dir/Weapons.txt" >"$dir/Weapons.txt.new"
        mv "$dir/Weapons.txt.new" "$dir/Weapons.txt"
        wait_for $((before + 1))
        end=$(now)
        echo "$end - $start" | bc -l >>"$work/times"
        i=$((i + 1))
    done
    kill "$watcher"
    wait "$watcher" || true
    watcher=""
    grep -q "not rebuilt" "$work/log" && { cat "$work/log" >&2; exit 1; }
    build=$(grep -o " in [0-9.]* s:" "$work/log" | tail -n +2 | awk '{ print $2 }' | median)
    printf '%-14s save to new database: median %.2f s (%.2f to %.2f s over %d saves), of which settle %.2f s; build alone (check + Marrow + load): median %s s\n' \
        "$1" "$(median <"$work/times")" "$(sort -g "$work/times" | head -1)" \
        "$(sort -g "$work/times" | tail -1)" "$saves" "$(echo "$settle / 1000" | bc -l)" "$build"
    tail -1 "$work/log"
}

mkdir "$work/examples"
cp "$root/examples/"*.txt "$work/examples/"
measure examples "$work/examples"
for rows in $sizes; do
    mkdir "$work/rows$rows"
    "$bin/bench/gen_tables" "$work/rows$rows" "$rows" >/dev/null
    measure "$rows rows" "$work/rows$rows"
done
