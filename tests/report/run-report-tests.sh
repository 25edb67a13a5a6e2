#!/bin/sh
# Opens idbdump's report page in a real browser, headless Chromium, and checks what it rendered.
#
#   run-report-tests.sh BUILD_DIR [SCREENSHOT]   (BUILD_DIR holds driver/Marrow and tools/)
#
# The page is the report of tests/golden/examples.idb with --previous (a database that Marrow
# builds from the example tables edited in a copy: a price changed, a weapon left out, a quest
# item named like markup added) and --check (a copy of the tables with a decimal comma). Each
# view is asked for by the page's address fragment and its DOM dumped after load; the checks
# compare it with what idbdump and itemcheck print (check_report_dom.py). A screenshot of the
# changes is taken too, and copied to SCREENSHOT when given (docs/report.png).
#
# One line per check, "ok NAME" or "FAILED NAME: why", then "N passed, M failed". Exit status 1
# when a check failed, 2 when the script could not run. MARROW_REPORT_KEEP=1 keeps the work folder.
set -eu

die() {
    echo "run-report-tests.sh: $*" >&2
    exit 2
}

[ $# -ge 1 ] && [ $# -le 2 ] || die "usage: run-report-tests.sh BUILD_DIR [SCREENSHOT]"
build=$(cd "$1" 2>/dev/null && pwd) || die "no such folder: $1"
screenshot_copy=${2-}
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
examples=$root/examples
golden=$root/tests/golden/examples.idb
marrow=$build/driver/Marrow
tools=$build/tools
for program in "$marrow" "$tools/ini2reg" "$tools/itemcheck" "$tools/idbdump"; do
    [ -x "$program" ] || die "$program is missing; build the release preset first"
done
browser=
for candidate in chromium chromium-browser; do
    if command -v "$candidate" >/dev/null 2>&1; then
        browser=$candidate
        break
    fi
done
[ -n "$browser" ] || die "chromium is not installed"
command -v python3 >/dev/null 2>&1 || die "python3 is not installed"

work=$(mktemp -d "${TMPDIR:-/tmp}/marrow-report.XXXXXX")
cleanup() {
    if [ -n "${MARROW_REPORT_KEEP:-}" ]; then
        echo "work folder kept: $work" >&2
    else
        rm -rf "$work"
    fi
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
start=$(date +%s)

# copy_tables DIR: the example tables and the conversion script in a folder of their own.
copy_tables() {
    mkdir -p "$1/out"
    cp "$examples"/*.txt "$examples/Ini2Reg.bat" "$1/"
}
# column TABLE NAME: the cell number of the column whose sub-column line says NAME.
column() {
    awk -F '\t' -v name="$2" 'NR == 2 { for (i = 1; i <= NF; i++) if ($i == name) { print i; exit } }' "$1"
}
# edit TABLE AWK-PROGRAM: the table rewritten by the program (tab-separated in and out).
edit() {
    awk 'BEGIN { FS = OFS = "\t" } '"$2" "$1" >"$1.new" && mv "$1.new" "$1"
}

# ---- The older database: the examples as they were before three edits -------------------------
old=$work/old
copy_tables "$old"
price=$(column "$old/Weapons.txt" Price)
[ -n "$price" ] || die "Weapons.txt has no Price column"
# The third weapon cost less; the fifth weapon did not exist; a quest item named like markup did.
edit "$old/Weapons.txt" "NR == 5 { \$$price = int(\$$price * 0.6) } NR == 7 { next } { print }"
markup='<script>alert(1)</script>'
edit "$old/QuestItems.txt" "{ print } NR == 3 { \$1 = \"$markup\"; print }"
(cd "$old" && PATH="$tools:$PATH" "$marrow" out) >"$work/marrow.log" 2>&1 </dev/null ||
    die "Marrow could not build the older database: $(tail -n 1 "$work/marrow.log")"

# ---- The tables to check: the examples with a decimal comma in the first weapon --------------
check=$work/check
copy_tables "$check"
edit "$check/Weapons.txt" 'NR == 3 { for (i = 2; i <= NF; i++) if ($i ~ /^[0-9]+\.[0-9]+$/) { sub(/\./, ",", $i); break } } { print }'
comma_row=$(awk -F '\t' 'NR == 3 { print $1 }' "$check/Weapons.txt")
# Paths relative to the work folder, as a build server gives them: the page shows them.
(cd "$work" && "$tools/itemcheck" check) >"$work/itemcheck.txt" 2>&1 || true
comma_finding=$(grep -m 1 'decimal comma' "$work/itemcheck.txt") ||
    die "itemcheck names no decimal comma in the edited tables"

# ---- The page, and what the other tools say it must show -----------------------------------
page=$work/report.html
report_start=$(date +%s.%N)
cp "$golden" "$work/items.idb"
(cd "$work" && "$tools/idbdump" report items.idb --previous old/out/items.idb --check check \
    -o report.html) >"$work/report.log" 2>&1 || die "idbdump report failed: $(cat "$work/report.log")"
report_end=$(date +%s.%N)
"$tools/idbdump" "$golden" >"$work/golden.json" || die "idbdump could not read the golden file"
"$tools/idbdump" --summary "$golden" >"$work/summary.txt" || die "idbdump --summary failed"
status=0
"$tools/idbdump" diff "$old/out/items.idb" "$golden" >"$work/diff.txt" || status=$?
[ "$status" -eq 1 ] || die "idbdump diff exited $status, not 1: $(cat "$work/diff.txt")"

MARKUP=$markup COMMA_ROW=$comma_row COMMA_FINDING=$comma_finding WORK=$work python3 - <<'EOF' ||
import json, os, re
work = os.environ["WORK"]
golden = json.load(open(work + "/golden.json", encoding="utf-8"))
counts = {}
for line in open(work + "/summary.txt", encoding="utf-8"):
    parts = line.split()
    if len(parts) == 2 and parts[0] in golden:
        counts[parts[0]] = int(parts[1])
diff_lines = open(work + "/diff.txt", encoding="utf-8").read().splitlines()
removed, changed, added = map(int, re.match(r"(\d+) removed, (\d+) changed, (\d+) added", diff_lines[-1]).groups())
changed_fields, changed_weapons, added_weapons, current = {}, [], [], None
for line in diff_lines[:-1]:
    m = re.match(r'(changed|added|removed) (\w+) (".*") \(record', line)
    if m:
        current = None
        name = json.loads(m.group(3))
        if m.group(2) == "weapons" and m.group(1) == "changed":
            changed_weapons.append(name)
            current = changed_fields.setdefault(name, {})
        elif m.group(2) == "weapons" and m.group(1) == "added":
            added_weapons.append(name)
    elif current is not None:
        field, values = line.strip().split(": ", 1)
        old, new = values.split(" -> ")
        current[field] = [json.loads(old), json.loads(new)]
expected = {"counts": counts, "diff": {"removed": removed, "changed": changed, "added": added},
            "weapons": golden["weapons"], "changed_weapons": changed_weapons,
            "added_weapons": added_weapons, "changed_fields": changed_fields,
            "comma_row": os.environ["COMMA_ROW"], "comma_finding": os.environ["COMMA_FINDING"],
            "markup_name": os.environ["MARKUP"], "filter": "bow", "select": 3}
json.dump(expected, open(work + "/expected.json", "w", encoding="utf-8"))
EOF
    die "could not read what idbdump printed"

# ---- The browser ---------------------------------------------------------------------------
# A profile of its own per start, so that starts side by side do not share one; no sandbox, as
# root has none; a time limit, so that a hung browser fails the check, not the whole run.
limit=
if command -v timeout >/dev/null 2>&1; then
    limit="timeout 120"
fi
browse() { # browse NAME FRAGMENT ARGS...: one start of Chromium on the page
    name=$1 fragment=$2
    shift 2
    $limit "$browser" --headless --no-sandbox --disable-gpu --no-first-run --disable-extensions \
        --user-data-dir="$work/profile-$name" --hide-scrollbars "$@" "file://$page#$fragment" \
        2>"$work/$name.browser.log"
}
dom() { # dom NAME FRAGMENT: the DOM of the view once the page has loaded
    browse "$1" "$2" --dump-dom >"$work/$1.html" || echo "Chromium exited $?" >>"$work/$1.browser.log"
}
changed_row=$(python3 -c 'import json, sys
e = json.load(open(sys.argv[1]))
print([w["Name"] for w in e["weapons"]].index(e["changed_weapons"][0]) + 1)' "$work/expected.json") ||
    die "idbdump diff names no changed weapon"
browser_start=$(date +%s.%N)
# Side by side: a start mostly waits, so five together take little longer than one.
dom changes "kind=weapons" &
dom sort "kind=weapons&sort=Price&desc=1" &
dom filter "kind=weapons&filter=bow" &
dom select "kind=armors&select=3" &
browse screenshot "kind=weapons&sort=Price&desc=1&select=$changed_row" --window-size=1280,1420 \
    --screenshot="$work/report.png" >/dev/null &
wait
browser_end=$(date +%s.%N)

results=$(python3 "$here/check_report_dom.py" "$work/expected.json" overview="$work/changes.html" \
    changes="$work/changes.html" chart="$work/changes.html" findings="$work/changes.html" \
    markup-name="$work/changes.html" sort="$work/sort.html" filter="$work/filter.html" \
    select="$work/select.html") || true
echo "$results"
passed=$(printf '%s\n' "$results" | grep -c '^ok ') || true
failed=$(printf '%s\n' "$results" | grep -c '^FAILED ') || true
if [ $((passed + failed)) -ne 8 ]; then
    echo "FAILED checks: $((passed + failed)) of 8 ran"
    failed=$((failed + 1))
fi
for name in changes sort filter select; do
    [ -s "$work/$name.html" ] ||
        echo "  no DOM of $name: $(tail -n 1 "$work/$name.browser.log" 2>/dev/null)"
done
# A PNG begins with its eight-byte signature; an empty or broken shot is a failure.
if [ "$(head -c 8 "$work/report.png" 2>/dev/null | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] &&
    [ "$(wc -c <"$work/report.png")" -gt 10000 ]; then
    echo "ok screenshot"
    passed=$((passed + 1))
    [ -z "$screenshot_copy" ] || cp "$work/report.png" "$screenshot_copy"
else
    echo "FAILED screenshot: no picture of the page ($(tail -n 1 "$work/screenshot.browser.log" 2>/dev/null))"
    failed=$((failed + 1))
fi

end=$(date +%s)
echo "time: report written in $(awk -v a="$report_start" -v b="$report_end" 'BEGIN { printf "%.2fs", b - a }')" \
    "($(wc -c <"$page") bytes), browser $(awk -v a="$browser_start" -v b="$browser_end" 'BEGIN { printf "%.1fs", b - a }')," \
    "total $((end - start))s"
echo "$passed passed, $failed failed"
if [ "$failed" -ne 0 ]; then
    exit 1
fi
