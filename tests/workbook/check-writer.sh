#!/bin/sh
# Hands what the writers made to the programs the designers use, and checks what they read.
# Usage: check-writer.sh DIR, where the test left book.xlsx (its sample workbook), sample.zip
# (entries "empty", "noise.bin" and "dir/text.txt", 100000 x's) and noise.bin.
# A missing program is reported as skipped; what only it could check then passes.
set -u
dir=$1
work=$dir/check
mkdir -p "$work"
failures=0
skipped=""
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }
skip() { echo "skipped: $1 not found"; skipped="$skipped $1"; }
# Finds a text in a file with its line ends and indentation taken out.
has() { tr -d '\n' <"$2" | sed 's/>  *</></g' | grep -qF -- "$1" || fail "$3: no $1"; }

if command -v unzip >/dev/null; then
    unzip -tq "$dir/sample.zip" >/dev/null || fail "unzip -t sample.zip"
    unzip -tq "$dir/book.xlsx" >/dev/null || fail "unzip -t book.xlsx"
    unzip -p "$dir/sample.zip" noise.bin | cmp -s - "$dir/noise.bin" || fail "noise.bin differs"
    [ "$(unzip -p "$dir/sample.zip" dir/text.txt | tr -d x | wc -c)" -eq 0 ] &&
        [ "$(unzip -p "$dir/sample.zip" dir/text.txt | wc -c)" -eq 100000 ] ||
        fail "dir/text.txt differs"
    [ "$(unzip -p "$dir/sample.zip" empty | wc -c)" -eq 0 ] || fail "empty is not"
else
    skip unzip
fi

if command -v python3 >/dev/null; then
    # Every part of the workbooks is well-formed XML, and odd.xlsx's A1 reads back as all of
    # ASCII (but NUL) and a literal "_x0041_".
    python3 - "$dir" <<'PY' || fail "the workbooks' XML"
import re, sys, zipfile, xml.dom.minidom
for book in ("book.xlsx", "odd.xlsx"):
    with zipfile.ZipFile(f"{sys.argv[1]}/{book}") as parts:
        for name in parts.namelist():
            try:
                dom = xml.dom.minidom.parseString(parts.read(name))
            except Exception as error:
                sys.exit(f"{book}: {name}: {error}")
            if book == "odd.xlsx" and name == "xl/sharedStrings.xml":
                text = dom.getElementsByTagName("t")[0].firstChild.data
                text = re.sub("_x([0-9A-Fa-f]{4})_", lambda m: chr(int(m[1], 16)), text)
                if text != "".join(map(chr, range(1, 128))) + "_x0041_":
                    sys.exit(f"odd.xlsx: A1 reads back as {text!r}")
PY
else
    skip python3
fi

if command -v soffice >/dev/null; then
    # Its own profile, so that no running LibreOffice or earlier run interferes.
    soffice --headless --norestore "-env:UserInstallation=file://$work/lo-profile" \
        --convert-to fods --outdir "$work" "$dir/book.xlsx" >"$work/soffice.log" 2>&1
    fods=$work/book.fods
    if [ -f "$fods" ]; then
        has '<text:p>&lt;Sword &amp; &quot;Shield&quot;&gt;</text:p>' "$fods" LibreOffice
        has '<text:p><text:s text:c="2"/>Axe</text:p>' "$fods" LibreOffice
        has '<text:p>Two</text:p><text:p>lines</text:p>' "$fods" LibreOffice
        has 'office:value="2.5"' "$fods" LibreOffice
        has '<text:p>1E+021</text:p>' "$fods" LibreOffice
        has '<text:p>12.5%</text:p>' "$fods" LibreOffice
        has '<text:p>25%</text:p>' "$fods" LibreOffice
        has '<text:p>0.07%</text:p>' "$fods" LibreOffice
        has 'table:condition="of:cell-content-is-in-list([$&apos;Word Lists&apos;.$A$1:.$A$2])"' \
            "$fods" LibreOffice
        has '<table:error-message table:message-type="stop" table:display="true"><text:p>Blade or Blunt</text:p>' \
            "$fods" LibreOffice
        has '<table:error-message table:message-type="information" table:display="true"/>' \
            "$fods" LibreOffice
        has "<text:p text:style-name=\"P1\">The item&apos;s name</text:p></office:annotation>" \
            "$fods" LibreOffice
        has 'Chance to drop, 0% to 100%</text:p></office:annotation>' "$fods" LibreOffice
        has 'table:display="false"' "$fods" LibreOffice  # the hidden word list
        has 'fo:font-weight="bold"' "$fods" LibreOffice
    else
        fail "LibreOffice did not convert book.xlsx"; cat "$work/soffice.log"
    fi
else
    skip soffice
fi

if command -v ssconvert >/dev/null; then
    # The values as Gnumeric shows them, and its own file for what a CSV cannot hold.
    ssconvert --export-type=Gnumeric_stf:stf_assistant \
        -O 'format=preserve separator=, quoting-mode=auto' \
        "$dir/book.xlsx" "$work/book.csv" >"$work/ssconvert.log" 2>&1
    ssconvert "$dir/book.xlsx" "$work/book.gnumeric" >>"$work/ssconvert.log" 2>&1
    ssconvert "$dir/odd.xlsx" "$work/odd.csv" >>"$work/ssconvert.log" 2>&1 &&
        [ -s "$work/odd.csv" ] || fail "Gnumeric did not read odd.xlsx"
    cat >"$work/expected.csv" <<'CSV'
Name,Weight,Chance,Material,Kind
text,number,,,
"<Sword & ""Shield"">",2.5,12.5%,Iron,Blade
"  Axe",1E+21,25%,Oak,Blunt
"Two
CSV
    head -n 5 "$work/book.csv" | cmp -s - "$work/expected.csv" ||
        { fail "Gnumeric's values differ:"; cat "$work/book.csv"; }
    grep -q '^lines",.*0\.1,0\.07%,,$' "$work/book.csv" || fail "Gnumeric: no 0.07%"
    if gzip -dc "$work/book.gnumeric" >"$work/book.xml" 2>/dev/null; then
        xml=$work/book.xml
        has '<gnm:FreezePanes FrozenTopLeft="A1" UnfrozenTopLeft="A3"/>' "$xml" Gnumeric
        has 'Style="GNM_VALIDATION_STYLE_STOP" Type="GNM_VALIDATION_TYPE_IN_LIST" AllowBlank="1" UseDropdown="1" Message="Blade or Blunt"><gnm:Expression0>'"'Word Lists'"'!$A$1:$A$2</gnm:Expression0>' \
            "$xml" Gnumeric
        has 'Style="GNM_VALIDATION_STYLE_INFO"' "$xml" Gnumeric
        has "<gnm:CellComment ObjectBound=\"A1\" ObjectOffset=\"1 0 1 0\" Direction=\"17\" Print=\"1\" Text=\"The item's name\"/>" \
            "$xml" Gnumeric
        has 'Visibility="GNM_SHEET_VISIBILITY_HIDDEN"' "$xml" Gnumeric
        has 'Format="0.0%"' "$xml" Gnumeric
    else
        fail "Gnumeric did not convert book.xlsx"; cat "$work/ssconvert.log"
    fi
else
    skip ssconvert
fi

if [ "$failures" -ne 0 ]; then
    echo "check-writer: $failures failed"
elif [ -n "$skipped" ]; then
    echo "check-writer: passed, but skipped what needs$skipped"
else
    echo "check-writer: all checks passed"
fi
[ "$failures" -eq 0 ]
