#!/bin/sh
# Marrow against an sqlite3 import of the same generated tables, side by side on this machine.
# Usage: bench/run-bench.sh [rows per table ...]   (default: 2000 65535)
# Prints per size the median of several runs, the ratio, the loader's reading time and peak
# memory (GNU time). Not part of the test suite.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${RUNS:-5}
"$root/scripts/install-deps.sh" build
for p in sqlite3 time; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
        { DEBIAN_FRONTEND=noninteractive apt-get install -y -q "$p" >/dev/null; }
done
cd "$root"
cmake --preset release >/dev/null
cmake --build --preset release --target Marrow ini2reg gen_tables load_idb >/dev/null
bin="$root/build/release"

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
timed() { /usr/bin/time -f "%e %M" -o "$work/time.txt" "$@" >/dev/null 2>&1; cat "$work/time.txt"; }

printf '%-6s %8s %8s %6s %7s %10s %9s %10s %11s %10s\n' rows marrow_s sqlite_s ratio load_s \
    load/run marrow_MB limit_MB ini2reg_MB limit_MB
for rows in ${*:-2000 65535}; do
    work=$(mktemp -d)
    "$bin/bench/gen_tables" "$work" "$rows" 1
    cp "$root/examples/Ini2Reg.bat" "$bin/tools/ini2reg" "$work/"
    mkdir "$work/out"
    cat > "$work/import.sql" <<SQL
.mode tabs
.import Materials.txt materials
.import Weapons.txt weapons
.import Armors.txt armors
.import QuickItems.txt quickitems
.import QuestItems.txt questitems
.import LootItems.txt lootitems
SQL
    : > "$work/marrow.txt"; : > "$work/sqlite.txt"; : > "$work/load.txt"
    i=0
    while [ "$i" -lt "$runs" ]; do
        (cd "$work" && timed "$bin/driver/Marrow" out) >> "$work/marrow.txt"
        rm -f "$work/t.db"
        (cd "$work" && timed sqlite3 t.db ".read import.sql") >> "$work/sqlite.txt"
        timed "$bin/bench/load_idb" "$work/out/items.idb" >> "$work/load.txt"
        i=$((i + 1))
    done
    # One more run that keeps every registry file, to size them and the converter's memory.
    cat > "$work/Ini2Reg.bat" <<'SH'
: ; /usr/bin/time -f "%M" -o ini2reg.mem ./ini2reg "$1"; s=$(stat -c %s tempreg.reg); m=$(cat ini2reg.mem); i=$(stat -c %s tempreg.ini); echo "$s $m $i" >> sizes.txt; exit 0
SH
    (cd "$work" && "$bin/driver/Marrow" out >/dev/null)
    marrow=$(cut -d' ' -f1 "$work/marrow.txt" | median)
    sqlite=$(cut -d' ' -f1 "$work/sqlite.txt" | median)
    load=$(cut -d' ' -f1 "$work/load.txt" | median)
    marrow_kb=$(cut -d' ' -f2 "$work/marrow.txt" | sort -n | tail -1)
    reg_max=$(sort -n "$work/sizes.txt" | tail -1 | cut -d' ' -f1)
    idb=$(stat -c %s "$work/out/items.idb")
    ini2reg_kb=$(sort -k2 -n "$work/sizes.txt" | tail -1 | cut -d' ' -f2)
    ini_of_max=$(sort -k2 -n "$work/sizes.txt" | tail -1 | cut -d' ' -f3)
    awk -v r="$rows" -v m="$marrow" -v s="$sqlite" -v l="$load" -v mk="$marrow_kb" \
        -v rg="$reg_max" -v idb="$idb" -v ik="$ini2reg_kb" -v ini="$ini_of_max" 'BEGIN {
        printf "%-6d %8.3f %8.3f %6.2f %7.3f %10.2f %9.1f %10.1f %11.1f %10.1f\n", r, m, s, m / s,
            l, l / m, mk / 1024, (2 * rg + idb) / 1048576, ik / 1024, 3 * ini / 1048576 }'
    rm -rf "$work"
done
echo "Medians of $runs runs. ratio = Marrow / sqlite3 import; load/run = reading items.idb back"
echo "through the loader / the Marrow run. Peak memory (GNU time): Marrow's limit is twice the"
echo "largest tempreg.reg plus items.idb, ini2reg's three times the INI file it converted."
