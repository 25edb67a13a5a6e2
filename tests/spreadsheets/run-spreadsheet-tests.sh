#!/bin/sh
# Puts the example tables through the spreadsheet programs designers edit them in, LibreOffice Calc
# and Gnumeric, run headless, and builds every export with Marrow; itembook's export of the
# workbooks and of its own workbook saved by both programs goes the same way.
#
#   run-spreadsheet-tests.sh BUILD_DIR      (BUILD_DIR holds driver/Marrow and tools/)
#
# The six tables become one workbook of six sheets by the programs' own import (numbers become
# numbers, "25%" a percentage), saved as .xlsx and .ods; each route then exports the workbook
# the way a designer does, into a folder of its own holding Materials.txt ... LootItems.txt,
# and Marrow must build there exactly tests/golden/examples.idb, with itemcheck finding nothing.
# A route whose spreadsheet loses information itself differs from the golden file: it must then
# build exactly what Marrow builds from the example tables with that loss applied by hand, so
# that nothing beyond the named loss goes unnoticed.
#
# One line per route: "route NAME: identical", "differs (expected: why)" or "FAILED: symptom";
# then the time of each phase and "N passed, M failed". Exit status 1 when a route failed, 2 when
# the script could not run. MARROW_SPREADSHEETS_KEEP=1 keeps the work folder for a look inside.
set -eu

die() {
    echo "run-spreadsheet-tests.sh: $*" >&2
    exit 2
}

[ $# -eq 1 ] || die "usage: run-spreadsheet-tests.sh BUILD_DIR"
build=$(cd "$1" 2>/dev/null && pwd) || die "no such folder: $1"
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
examples=$root/examples
golden=$root/tests/golden/examples.idb
marrow=$build/driver/Marrow
tools=$build/tools
for program in "$marrow" "$tools/ini2reg" "$tools/itemcheck" "$tools/idbdump" "$tools/itembook"; do
    [ -x "$program" ] || die "$program is missing; build the release preset first"
done
command -v soffice >/dev/null 2>&1 || die "soffice (LibreOffice Calc) is not installed"
command -v ssconvert >/dev/null 2>&1 || die "ssconvert (Gnumeric) is not installed"

tables="Materials Weapons Armors QuickItems QuestItems LootItems"
TAB=$(printf '\t')
NL='
'
# Gnumeric writes a negative number in a number format with U+2212 MINUS SIGN, not "-".
MINUS=$(printf '\342\210\222')

work=$(mktemp -d "${TMPDIR:-/tmp}/marrow-spreadsheets.XXXXXX")
cleanup() {
    if [ -n "${MARROW_SPREADSHEETS_KEEP:-}" ]; then
        echo "work folder kept: $work" >&2
    else
        rm -rf "$work"
    fi
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# Neither program may see the user's settings: a designer's own export preferences or locale
# would change the bytes. LibreOffice gets a fresh profile of its own, Gnumeric keeps its
# settings in memory, and both run in a locale with a decimal point.
HOME=$work/home
export HOME
unset XDG_CONFIG_HOME XDG_CACHE_HOME XDG_DATA_HOME LANGUAGE
GSETTINGS_BACKEND=memory
LC_ALL=C.UTF-8
export GSETTINGS_BACKEND LC_ALL
mkdir "$HOME"
profile=file://$work/lo-profile
# A program that hangs (a locked profile, a dialog) ends the route, not the whole run.
limit=
if command -v timeout >/dev/null 2>&1; then
    limit="timeout 300"
fi

now() {
    t=$(date +%s.%N)
    case $t in *N) date +%s ;; *) echo "$t" ;; esac
}
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.1fs", b - a }'; }
progress() { echo "# $*" >&2; }

# LibreOffice's "Text CSV" filter, by its internal name: the short name "CSV" is refused by
# --infilter in 7.4 ("source file could not be loaded").
csv="Text - txt - csv (StarCalc)"

# calc ARGS...: one start of LibreOffice; what it says goes to the log, whose last error line a
# route without its files quotes.
calc() {
    $limit soffice -env:UserInstallation="$profile" --headless --norestore "$@" \
        >>"$work/soffice.log" 2>&1 </dev/null || echo "soffice exited $?" >>"$work/soffice.log"
}

# export_calc OUTDIR OPTIONS WORKBOOK...: the Text CSV export of every sheet of each workbook.
# The filter's tokens, by position (LibreOffice 7.4):
#   1 field separator (9 = tab)      2 text delimiter (34 = ")
#   3 character set (76 UTF-8, 65535 UTF-16 "Unicode", 1 Windows-1252)
#   4 first line (import)            5 column formats (import)        6 language (import)
#   7 quote all text cells
#   8 on import, detect special numbers; on export, save numbers as numbers: false, with 9
#     false, writes every number quoted ("60", "1.5"); true is the default and what the
#     Save As dialog keeps
#   9 save cell contents as shown    10 save cell formulas            11 trim spaces (import)
#   12 sheet: N exports the Nth sheet, -1 every sheet, as <workbook>-<sheet>.txt (7.2 and
#     later; 7.4 names a single sheet's file so too)
#   13 evaluate formulas (import); 14 include a byte order mark, which 7.4 ignores: it writes
#     UTF-8 without one and UTF-16 little-endian with one
# Exporting every sheet in one start is what keeps the run short; a sheet exported on its own
# gives the same bytes (the route lo-sheet2-by-number shows it).
export_calc() {
    out=$1 options=$2
    shift 2
    calc --convert-to "txt:$csv:$options" --outdir "$out" "$@"
}

# take ROUTE FROM PREFIX: a route's folder from the export of one workbook, renamed as a
# designer renames LibreOffice's Items-Weapons.txt to Weapons.txt.
take() {
    dir=$work/routes/$1
    mkdir -p "$dir"
    for t in $tables; do
        if [ -f "$2/$3-$t.txt" ]; then
            mv "$2/$3-$t.txt" "$dir/$t.txt"
        elif [ ! -f "$dir/.failed" ]; then
            last=$(grep -i 'error' "$work/soffice.log" | tail -n 1)
            echo "LibreOffice wrote no $3-$t.txt${last:+ ($last)}" >"$dir/.failed"
        fi
    done
}

# gnumeric ROUTE WORKBOOK OPTIONS: ssconvert's text export of every sheet in one step, each
# sheet to <sheet name>.txt. The separator is quoted: a bare tab would be read as the space
# between two options.
gnumeric() {
    dir=$work/routes/$1
    mkdir -p "$dir"
    if ! $limit ssconvert -S -T Gnumeric_stf:stf_assistant -O "separator=\"$TAB\"${3:+ $3}" \
        "$2" "$dir/%s.txt" >>"$work/ssconvert.log" 2>&1; then
        echo "ssconvert failed: $(tail -n 1 "$work/ssconvert.log")" >"$dir/.failed"
    fi
}

start=$(now)

# ---------------------------------------------------------------------------------------------
progress "making the workbooks"
book=$work/book
mkdir -p "$work/tsv" "$work/import" "$book"
for t in $tables; do
    cp "$examples/$t.txt" "$work/tsv/"
done
# LibreOffice's import of each table as a designer opens it: tab-separated, UTF-8, from line 1,
# English (USA), with "Detect special numbers" on, which makes "25%" a percentage (format
# 0.00%) and "1.0" the number 1, and leaves the lists ("3,5", "1,2,3", "melee 2, attack 1.5")
# text. Each sheet is named after its file, without ".txt".
calc --infilter="$csv:9,34,76,1,,1033,false,true" --convert-to ods --outdir "$work/import" \
    "$work/tsv/Materials.txt" "$work/tsv/Weapons.txt" "$work/tsv/Armors.txt" \
    "$work/tsv/QuickItems.txt" "$work/tsv/QuestItems.txt" "$work/tsv/LootItems.txt"
for t in $tables; do
    [ -f "$work/import/$t.ods" ] || die "LibreOffice did not import $t.txt; see the log:
$(cat "$work/soffice.log")"
done
# LibreOffice cannot join workbooks from the command line; Gnumeric joins the six sheets, names
# kept, and LibreOffice saves the result once more as its own .ods.
(cd "$work/import" &&
    ssconvert --merge-to="$book/ItemsXlsx.xlsx" Materials.ods Weapons.ods Armors.ods \
        QuickItems.ods QuestItems.ods LootItems.ods >>"$work/ssconvert.log" 2>&1) ||
    die "ssconvert could not join the sheets: $(tail -n 1 "$work/ssconvert.log")"
calc --convert-to ods --outdir "$work/ods" "$book/ItemsXlsx.xlsx"
[ -f "$work/ods/ItemsXlsx.ods" ] || die "LibreOffice could not save the workbook as .ods"
mv "$work/ods/ItemsXlsx.ods" "$book/ItemsOds.ods"

# Designers' edits, typed into cells with ssconvert --set. It edits the first sheet whatever
# sheet the cell names, so a workbook with Weapons first takes them.
(cd "$work/import" &&
    ssconvert --merge-to="$book/WeaponsFirst.xlsx" Weapons.ods Materials.ods Armors.ods \
        QuickItems.ods QuestItems.ods LootItems.ods >>"$work/ssconvert.log" 2>&1) ||
    die "ssconvert could not join the sheets: $(tail -n 1 "$work/ssconvert.log")"
# A line break typed into Short Sword's name (Alt+Enter).
ssconvert --set "A3=Short${NL}Sword" "$book/WeaponsFirst.xlsx" "$book/Multiline.xlsx" \
    >>"$work/ssconvert.log" 2>&1 || die "ssconvert --set failed"
# -10% typed into Short Sword's empty Termal damage proportion.
ssconvert --set "W3=-10%" "$book/WeaponsFirst.xlsx" "$book/NegativePercent.xlsx" \
    >>"$work/ssconvert.log" 2>&1 || die "ssconvert --set failed"

# Gnumeric's own import of the tables, for comparison with LibreOffice's: it names a sheet after
# its file, extension and all, so the tables are copied without one.
mkdir "$work/gnumeric-import"
for t in $tables; do
    cp "$examples/$t.txt" "$work/gnumeric-import/$t"
done
(cd "$work/gnumeric-import" &&
    ssconvert -I Gnumeric_stf:stf_csvtab --merge-to="$book/GnumericImport.xlsx" $tables \
        >>"$work/ssconvert.log" 2>&1) ||
    die "ssconvert could not import the tables: $(tail -n 1 "$work/ssconvert.log")"
workbook_done=$(now)

# ---------------------------------------------------------------------------------------------
progress "exporting with LibreOffice"
# Every character set, with and without "Quote all text cells", with "Save cell contents as
# shown" on and off, from both workbooks in one start each. The multi-line workbook goes along
# with the plain UTF-8 export, as a designer saves it.
for charset in utf8:76 utf16:65535 cp1252:1; do
    for quoting in plain:false quoted:true; do
        for shown in shown:true values:false; do
            name=${charset%%:*}-${quoting%%:*}-${shown%%:*}
            options="9,34,${charset#*:},1,,1033,${quoting#*:},true,${shown#*:},false,false,-1"
            extra=
            if [ "$name" = utf8-plain-shown ]; then
                extra=$book/Multiline.xlsx
            fi
            export_calc "$work/lo/$name" "$options" "$book/ItemsOds.ods" "$book/ItemsXlsx.xlsx" \
                ${extra:+"$extra"}
            take "lo-$name-ods" "$work/lo/$name" ItemsOds
            take "lo-$name-xlsx" "$work/lo/$name" ItemsXlsx
            if [ -n "$extra" ]; then
                take lo-multiline-name "$work/lo/$name" Multiline
            fi
        done
    done
done
# Token 8 false with the values saved, as a hand-written option string may have it: every
# number quoted.
export_calc "$work/lo/numbers-quoted" "9,34,76,1,,1033,false,false,false,false,false,-1" \
    "$book/ItemsOds.ods"
take lo-utf8-numbers-quoted-ods "$work/lo/numbers-quoted" ItemsOds
# One sheet by its number, as "Save As" of the current sheet writes it.
export_calc "$work/lo/sheet2" "9,34,76,1,,1033,false,true,true,false,false,2" \
    "$book/ItemsOds.ods"
dir=$work/routes/lo-sheet2-by-number
mkdir -p "$dir"
for t in $tables; do
    cp "$work/routes/lo-utf8-plain-shown-ods/$t.txt" "$dir/" 2>/dev/null || true
done
if [ -f "$work/routes/lo-utf8-plain-shown-ods/.failed" ]; then
    cp "$work/routes/lo-utf8-plain-shown-ods/.failed" "$dir/"
elif [ -f "$work/lo/sheet2/ItemsOds-Weapons.txt" ]; then
    mv "$work/lo/sheet2/ItemsOds-Weapons.txt" "$dir/Weapons.txt"
elif [ -f "$work/lo/sheet2/ItemsOds.txt" ]; then
    mv "$work/lo/sheet2/ItemsOds.txt" "$dir/Weapons.txt"
else
    echo "LibreOffice wrote no export of sheet 2" >"$dir/.failed"
fi
# A designer whose LibreOffice runs in German: cells are shown, and saved as shown, with decimal
# commas. LibreOffice takes its locale from the environment even where the C library has no
# such locale; the filter's language token does not change an export.
(
    LC_ALL=de_DE.UTF-8 LANG=de_DE.UTF-8
    export LC_ALL LANG
    export_calc "$work/lo/de" "9,34,76,1,,1033,false,true,true,false,false,-1" \
        "$book/ItemsOds.ods" "$book/ItemsXlsx.xlsx"
)
take lo-de-DE-ods "$work/lo/de" ItemsOds
take lo-de-DE-xlsx "$work/lo/de" ItemsXlsx
calc_done=$(now)

# ---------------------------------------------------------------------------------------------
progress "exporting with Gnumeric"
# ssconvert's default "format" is "automatic", which writes the value (0.2 for 20%), like "raw";
# "preserve" writes the cell as shown (20.00%, and -10% as −10.00% with U+2212). Its default
# "quoting-mode" is "auto", which quotes every cell holding a space, a comma or a line break
# ("Code Name", "3,5"); "never" quotes nothing.
for workbook in ods:ItemsOds.ods xlsx:ItemsXlsx.xlsx; do
    kind=${workbook%%:*}
    gnumeric "gnumeric-default-$kind" "$book/${workbook#*:}" ""
    for format in raw preserve; do
        for quoting in auto never; do
            gnumeric "gnumeric-$format-$quoting-$kind" "$book/${workbook#*:}" \
                "format=$format quoting-mode=$quoting"
        done
    done
done
gnumeric gnumeric-own-import "$book/GnumericImport.xlsx" "format=preserve"
gnumeric gnumeric-multiline-name "$book/Multiline.xlsx" "format=preserve"
gnumeric gnumeric-negative-percent "$book/NegativePercent.xlsx" "format=preserve"
gnumeric_done=$(now)

# ---------------------------------------------------------------------------------------------
progress "itembook: the workbooks read directly, and its own workbook saved by both programs"
# book_export ROUTE WORKBOOK: the route's folder from itembook's export of the workbook; the
# workbook's path is kept in the folder for book_checked.
book_export() {
    dir=$work/routes/$1
    mkdir -p "$dir"
    echo "$2" >"$dir/.book"
    status=0
    "$tools/itembook" export "$2" "$dir" >"$dir/itembook.log" 2>&1 || status=$?
    if [ "$status" -ne 0 ]; then
        echo "itembook export exited $status: $(head -n 1 "$dir/itembook.log")" >"$dir/.failed"
    fi
}
for workbook in ods:ItemsOds.ods xlsx:ItemsXlsx.xlsx; do
    book_export "itembook-${workbook%%:*}" "$book/${workbook#*:}"
done
book_export itembook-gnumeric-import "$book/GnumericImport.xlsx"
book_export itembook-multiline-name "$book/Multiline.xlsx"
book_export itembook-negative-percent "$book/NegativePercent.xlsx"
# itembook's own workbook, as written and as each program opens and saves it again.
own=$work/own
mkdir -p "$own/lo-ods" "$own/lo-xlsx"
"$tools/itembook" import "$work/tsv" "$own/Items.xlsx" >"$own/import.log" 2>&1 ||
    die "itembook import failed: $(cat "$own/import.log")"
calc --convert-to ods --outdir "$own/lo-ods" "$own/Items.xlsx"
calc --convert-to "xlsx:Calc MS Excel 2007 XML" --outdir "$own/lo-xlsx" "$own/Items.xlsx"
$limit ssconvert "$own/Items.xlsx" "$own/gnumeric.ods" >>"$work/ssconvert.log" 2>&1 || true
$limit ssconvert "$own/Items.xlsx" "$own/gnumeric.xlsx" >>"$work/ssconvert.log" 2>&1 || true
book_export itembook-own "$own/Items.xlsx"
for saved in lo-ods:lo-ods/Items.ods lo-xlsx:lo-xlsx/Items.xlsx gnumeric-ods:gnumeric.ods \
    gnumeric-xlsx:gnumeric.xlsx; do
    if [ -f "$own/${saved#*:}" ]; then
        book_export "itembook-own-${saved%%:*}" "$own/${saved#*:}"
    else
        mkdir -p "$work/routes/itembook-own-${saved%%:*}"
        echo "the program did not save ${saved#*:}" >"$work/routes/itembook-own-${saved%%:*}/.failed"
    fi
done
itembook_done=$(now)

# ---------------------------------------------------------------------------------------------
progress "building and checking"
# The example tables with a known change applied by hand, and what Marrow builds from them.
# reference NAME AWK-PROGRAM (the table's name is in the variable "table")
reference() {
    dir=$work/ref/$1
    mkdir -p "$dir/out"
    for t in $tables; do
        awk -v table="$t" 'BEGIN { FS = OFS = "\t" } { sub(/\r$/, "") } '"$2"' { print }' \
            "$examples/$t.txt" >"$dir/$t.txt"
    done
    cp "$examples/Ini2Reg.bat" "$dir/"
    (cd "$dir" && PATH="$tools:$PATH" "$marrow" out) >"$dir/marrow.log" 2>&1 </dev/null ||
        die "Marrow could not build the reference $1: $(tail -n 1 "$dir/marrow.log")"
}
# A percentage written as its value: 20% as 0.2.
reference fractions '{
    for (i = 1; i <= NF; i++)
        if ($i ~ /^-?[0-9]+(\.[0-9]+)?%$/)
            $i = sprintf("%.15g", substr($i, 1, length($i) - 1) / 100)
}'
# Numbers as German LibreOffice shows them: 2,5 and 30,00%; 1.0 is shown as 1.
reference decimal-commas '{
    for (i = 1; i <= NF; i++)
        if ($i ~ /^-?[0-9]+(\.[0-9]+)?%$/) {
            $i = sprintf("%.2f%%", substr($i, 1, length($i) - 1))
            sub(/\./, ",", $i)
        } else if ($i ~ /^-?[0-9]*\.[0-9]+$/) {
            $i = sprintf("%.15g", $i + 0)
            sub(/\./, ",", $i)
        }
}'
# -10% in Short Sword's Termal damage proportion.
reference negative-termal '{ if (table == "Weapons" && FNR == 3) $23 = "-10%" }'

passed=0
failed=0
pass() {
    echo "route $1: $2"
    passed=$((passed + 1))
}
fail() {
    echo "route $1: FAILED: $2"
    failed=$((failed + 1))
}

# route NAME EXPECTED ITEMCHECK [REASON [EXTRA-CHECK]]
#   EXPECTED  golden: the golden database; loss:REF: the reference REF, a loss the spreadsheet
#             makes itself (REASON says which); edit:REF: the reference REF, an edit made in the
#             workbook and by hand alike
#   ITEMCHECK clean: exit 0; decimal-commas: exit 1, every finding a decimal comma
#   EXTRA-CHECK a function given the route's folder, which prints what is wrong, if anything
route() {
    name=$1 expected=$2 check=$3 reason=${4-} extra=${5-}
    dir=$work/routes/$name
    if [ -f "$dir/.failed" ]; then
        fail "$name" "$(cat "$dir/.failed")"
        return
    fi
    cp "$examples/Ini2Reg.bat" "$dir/"
    mkdir -p "$dir/out"
    status=0
    (cd "$dir" && PATH="$tools:$PATH" "$marrow" out) >"$dir/marrow.log" 2>&1 </dev/null ||
        status=$?
    checkstatus=0
    (cd "$dir" && "$tools/itemcheck" .) >"$dir/itemcheck.log" 2>&1 || checkstatus=$?

    problems=
    if [ "$status" -ne 0 ]; then
        problems="Marrow exited $status: $(grep -v -e '^Building' -e '^Saving' "$dir/marrow.log" |
            grep . | head -n 1)"
    fi
    case $expected in
    golden) want=$golden ;;
    *) want=$work/ref/${expected#*:}/out/items.idb ;;
    esac
    if [ ! -f "$dir/out/items.idb" ]; then
        problems="${problems:+$problems; }no items.idb"
    elif ! cmp -s "$dir/out/items.idb" "$want"; then
        "$tools/idbdump" diff "$want" "$dir/out/items.idb" >"$dir/diff.txt" 2>&1 || true
        summary=$(grep ' removed, .* changed, .* added' "$dir/diff.txt" | head -n 1)
        first=$(head -n 2 "$dir/diff.txt" | sed 's/^ *//' | tr '\n' ' ')
        against=golden
        [ "$expected" = golden ] || against="the reference ${expected#*:}"
        problems="${problems:+$problems; }items.idb against $against: $summary (${first% })"
    elif [ "$expected" != golden ] && cmp -s "$want" "$golden"; then
        problems="${problems:+$problems; }the reference ${expected#*:} builds the golden file"
    fi
    findings=$(grep ':[0-9]*:[0-9]*' "$dir/itemcheck.log" | head -n 1)
    case $check in
    clean)
        if [ "$checkstatus" -ne 0 ]; then
            problems="${problems:+$problems; }itemcheck exited $checkstatus: $findings"
        fi
        ;;
    decimal-commas)
        other=$(grep ':[0-9]*:[0-9]*' "$dir/itemcheck.log" | grep -v 'a decimal comma' |
            head -n 1)
        if [ "$checkstatus" -ne 1 ]; then
            problems="${problems:+$problems; }itemcheck exited $checkstatus, not 1: $findings"
        elif ! grep -q 'a decimal comma' "$dir/itemcheck.log"; then
            problems="${problems:+$problems; }itemcheck names no decimal comma: $findings"
        elif [ -n "$other" ]; then
            problems="${problems:+$problems; }itemcheck finds more than decimal commas: $other"
        fi
        ;;
    esac
    if [ -n "$extra" ]; then
        more=$("$extra" "$dir")
        [ -z "$more" ] || problems="${problems:+$problems; }$more"
    fi

    if [ -n "$problems" ]; then
        fail "$name" "$problems"
    else
        case $expected in
        golden) pass "$name" identical ;;
        loss:*) pass "$name" "differs (expected: $reason)" ;;
        edit:*) pass "$name" "identical (to the examples with the same edit: $reason)" ;;
        esac
    fi
}

# The export must hold the name as one quoted cell over two lines, or the route tests nothing.
multiline_exported() {
    grep -qx '"Short' "$1/Weapons.txt" ||
        echo "Weapons.txt holds no cell broken over two lines"
}
# Gnumeric must have written U+2212, and the record must hold -0.1 (the builder scales by 0.01).
negative_percent_read() {
    cell=$(awk -F '\t' 'NR == 3 { print $23 }' "$1/Weapons.txt")
    [ "$cell" = "${MINUS}10.00%" ] || echo "Short Sword's Termal was exported as \"$cell\""
    value=$("$tools/idbdump" "$1/out/items.idb" | grep '"Name": "short sword"' |
        sed -n 's/.*"DamageProportions": \[\([^]]*\)\].*/\1/p' | awk -F ', ' '{ print $4 }')
    awk -v v="$value" 'BEGIN { exit !(v != "" && v + 0.1 < 1e-6 && v + 0.1 > -1e-6) }' ||
        echo "short sword's Termal proportion is \"$value\", not -0.1"
}

# itemcheck of the workbook itself must be clean, and itembook's own workbook must still hold
# its dropdowns once a program has saved it.
book_checked() {
    workbook=$(cat "$1/.book")
    if ! "$tools/itemcheck" "$workbook" >"$1/bookcheck.log" 2>&1; then
        echo "itemcheck of the workbook: $(grep -v ' rows, ' "$1/bookcheck.log" | head -n 1)"
    fi
    case $workbook in
    "$own"/*.ods)
        unzip -p "$workbook" content.xml | grep -q 'table:content-validation ' ||
            echo "the saved workbook lost its dropdowns" ;;
    "$own"/*.xlsx)
        unzip -p "$workbook" 'xl/worksheets/*.xml' | grep -q '<dataValidation ' ||
            echo "the saved workbook lost its dropdowns" ;;
    esac
}

for charset in utf8 utf16 cp1252; do
    for quoting in plain quoted; do
        for shown in shown values; do
            # "Save cell contents as shown" off still writes a percentage as one (20%).
            route "lo-$charset-$quoting-$shown-ods" golden clean
            route "lo-$charset-$quoting-$shown-xlsx" golden clean
        done
    done
done
route lo-utf8-numbers-quoted-ods golden clean
route lo-sheet2-by-number golden clean
route lo-multiline-name golden clean "" multiline_exported
german="German LibreOffice writes decimal commas, lists to the builder: fractions and"
german="$german percentages read their defaults; itemcheck names each"
route lo-de-DE-ods loss:decimal-commas decimal-commas "$german"
route lo-de-DE-xlsx loss:decimal-commas decimal-commas "$german"
fractions="writes 20% as 0.2, which the builder scales by 0.01 again"
for kind in ods xlsx; do
    route "gnumeric-default-$kind" loss:fractions clean \
        "ssconvert's default format (automatic) $fractions"
    for quoting in auto never; do
        route "gnumeric-raw-$quoting-$kind" loss:fractions clean "format=raw $fractions"
        route "gnumeric-preserve-$quoting-$kind" golden clean
    done
done
route gnumeric-own-import golden clean
route gnumeric-multiline-name golden clean "" multiline_exported
route gnumeric-negative-percent edit:negative-termal clean \
    "-10% in Short Sword's Termal, exported as −10.00%, read as -0.1" negative_percent_read
for name in ods xlsx gnumeric-import multiline-name own own-lo-ods own-lo-xlsx own-gnumeric-ods \
    own-gnumeric-xlsx; do
    route "itembook-$name" golden clean "" book_checked
done
route itembook-negative-percent edit:negative-termal clean \
    "-10% typed into Short Sword's Termal, read as the stored -0.1" book_checked
checks_done=$(now)

echo "time: workbooks $(elapsed "$start" "$workbook_done")," \
    "LibreOffice exports $(elapsed "$workbook_done" "$calc_done")," \
    "Gnumeric exports $(elapsed "$calc_done" "$gnumeric_done")," \
    "itembook $(elapsed "$gnumeric_done" "$itembook_done")," \
    "builds and checks $(elapsed "$itembook_done" "$checks_done")," \
    "total $(elapsed "$start" "$checks_done")"
echo "$passed passed, $failed failed"
if [ "$failed" -ne 0 ]; then
    exit 1
fi
