#!/bin/sh
# Marrow against an sqlite3 import of the same tables, side by side on this machine.
# Usage: bench/run-bench.sh [rows per table ...]    (default: 2000 65535; generated tables)
#        bench/run-bench.sh --tables DIR            (the six tables in DIR)
# Needs: the build's packages (scripts/install-deps.sh build), sqlite3 and GNU time (the
# Debian packages sqlite3 and time); installs the missing ones when run as root.
# Runs are paired: each round runs Marrow, the sqlite3 import, the file floor, the loader and a
# plain read of items.idb one after the other on the same tables, RUNS rounds (default 5).
# Prints per case the medians, the medians of the per-round ratios and peak memory.
# Not part of the test suite.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${RUNS:-5}
tables=""
if [ "${1:-}" = --tables ]; then
    [ $# -eq 2 ] && [ -d "$2" ] || { echo "Usage: $0 --tables DIR" >&2; exit 2; }
    tables=$(cd "$2" && pwd)
    shift 2
fi
"$root/scripts/install-deps.sh" build
for p in sqlite3 time; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
        { DEBIAN_FRONTEND=noninteractive apt-get install -y -q "$p" >/dev/null; }
done
cd "$root"
cmake --preset release >/dev/null
cmake --build --preset release --target Marrow ini2reg gen_tables load_idb file_floor >/dev/null
bin="$root/build/release"

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
timed() { /usr/bin/time -f "%e %M" -o "$work/time.txt" "$@" >/dev/null 2>&1; cat "$work/time.txt"; }
seconds() { cut -d' ' -f1 "$work/$1.txt"; }
# The per-round ratio of two timings, files of one line per round.
ratios() { paste -d' ' "$work/$1.txt" "$work/$2.txt" | awk '{ print ($3 > 0) ? $1 / $3 : 0 }' | median; }

printf '%-8s %7s %7s %7s %6s %7s %7s %7s %6s %6s %9s %8s %10s %8s\n' rows marrow_s sqlite_s \
    floor_s m/sql m/floor load_s read_s ld/rd ld/run marrow_MB limit_MB ini2reg_MB limit_MB

bench_case() {  # $1: label; the tables are already in $work
    cp "$root/examples/Ini2Reg.bat" "$bin/tools/ini2reg" "$work/"
    mkdir -p "$work/out"
    cat > "$work/import.sql" <<SQL
.mode tabs
.import Materials.txt materials
.import Weapons.txt weapons
.import Armors.txt armors
.import QuickItems.txt quickitems
.import QuestItems.txt questitems
.import LootItems.txt lootitems
SQL
    # One run that keeps the size of every INI and registry file, and the converter's memory.
    cat > "$work/Ini2Reg.bat" <<'SH'
: ; /usr/bin/time -f "%M" -o ini2reg.mem ./ini2reg "$1"; s=$(stat -c %s tempreg.reg); m=$(cat ini2reg.mem); i=$(stat -c %s tempreg.ini); echo "$s $m $i" >> sizes.txt; exit 0
SH
    (cd "$work" && "$bin/driver/Marrow" out >/dev/null)
    cp "$root/examples/Ini2Reg.bat" "$work/"
    floor_args=$(awk '{ printf " %s %s", $3, $1 }' "$work/sizes.txt")
    mkdir -p "$work/floor"
    for f in marrow sqlite floor load read; do : > "$work/$f.txt"; done
    i=0
    while [ "$i" -lt "$runs" ]; do
        (cd "$work" && timed "$bin/driver/Marrow" out) >> "$work/marrow.txt"
        rm -f "$work/t.db"
        (cd "$work" && timed sqlite3 t.db ".read import.sql") >> "$work/sqlite.txt"
        # shellcheck disable=SC2086
        timed "$bin/bench/file_floor" "$work/floor" $floor_args >> "$work/floor.txt"
        timed "$bin/bench/load_idb" "$work/out/items.idb" >> "$work/load.txt"
        timed "$bin/bench/load_idb" --plain "$work/out/items.idb" >> "$work/read.txt"
        i=$((i + 1))
    done
    marrow=$(seconds marrow | median)
    sqlite=$(seconds sqlite | median)
    floor=$(seconds floor | median)
    load=$(seconds load | median)
    plain=$(seconds read | median)
    r_sql=$(ratios marrow sqlite)
    r_floor=$(ratios marrow floor)
    r_read=$(ratios load read)
    marrow_kb=$(cut -d' ' -f2 "$work/marrow.txt" | sort -n | tail -1)
    reg_max=$(sort -n "$work/sizes.txt" | tail -1 | cut -d' ' -f1)
    idb=$(stat -c %s "$work/out/items.idb")
    ini2reg_kb=$(sort -k2 -n "$work/sizes.txt" | tail -1 | cut -d' ' -f2)
    ini_of_max=$(sort -k2 -n "$work/sizes.txt" | tail -1 | cut -d' ' -f3)
    awk -v r="$1" -v m="$marrow" -v s="$sqlite" -v f="$floor" -v rs="$r_sql" -v rf="$r_floor" \
        -v l="$load" -v p="$plain" -v rr="$r_read" -v mk="$marrow_kb" -v rg="$reg_max" \
        -v idb="$idb" -v ik="$ini2reg_kb" -v ini="$ini_of_max" 'BEGIN {
        printf "%-8s %7.3f %7.3f %7.3f %6.2f %7.2f %7.3f %7.3f %6.1f %6.2f %9.1f %8.1f %10.1f %8.1f\n",
            r, m, s, f, rs, rf, l, p, rr, (m > 0) ? l / m : 0, mk / 1024,
            (2 * rg + idb) / 1048576, ik / 1024, 3 * ini / 1048576 }'
}

if [ -n "$tables" ]; then
    work=$(mktemp -d)
    for t in Materials Weapons Armors QuickItems QuestItems LootItems; do
        [ -f "$tables/$t.txt" ] && cp "$tables/$t.txt" "$work/"
    done
    bench_case "$(basename "$tables")"
    rm -rf "$work"
else
    for rows in ${*:-2000 65535}; do
        work=$(mktemp -d)
        "$bin/bench/gen_tables" "$work" "$rows" 1
        bench_case "$rows"
        rm -rf "$work"
    done
fi
echo "Medians of $runs paired rounds. m/sql and m/floor: Marrow / the sqlite3 import and"
echo "Marrow / the file floor (the same INI and registry bytes written, read back and deleted);"
echo "ld/rd: the loader / a plain read of items.idb; ld/run: the loader / the Marrow run; the"
echo "ratios are medians of each round's ratio. Peak memory (GNU time): Marrow's limit is twice"
echo "the largest tempreg.reg plus items.idb, ini2reg's three times the INI file it converted."
