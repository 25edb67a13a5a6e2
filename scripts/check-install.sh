#!/bin/sh
# What a user and a game programmer get: installs the release build into an empty prefix and
# builds the consumer project (tests/consumer) against it at C++17, once through CMake's
# find_package and once through pkg-config alone; then makes the packages (TGZ and DEB from
# build/release, ZIP from build/windows when given), unpacks each into an empty folder and runs
# its Marrow, with nothing else on PATH, on a copy of the example tables: items.idb must be the
# golden file, byte for byte, and the loader's sources must be there. Lists each package's
# contents and sizes.
# Usage: check-install.sh [--windows]   (after the release build, and the windows one for ZIP)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
windows=false
[ "${1:-}" = --windows ] && windows=true
golden=$root/tests/golden/examples.idb
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

step() { printf '\n== %s\n' "$*"; }

step "Install into an empty prefix"
cmake --install build/release --prefix "$work/prefix" >/dev/null
(cd "$work/prefix" && find . -type f | sort)

# The consumer's arguments: the six record counts as idbdump counts them, then the first
# weapon's name as the builder stores it (the first data row of Weapons.txt, lowercased).
counts=$("$work/prefix/bin/idbdump" --summary "$golden" |
    awk '$1 ~ /^(materials|weapons|armors|quickItems|questItems|lootItems)$/ { printf "%s ", $2 }')
weapon=$(sed -n 3p examples/Weapons.txt | cut -f1 | tr 'A-Z' 'a-z')

step "Consumer through find_package(Marrow 1.0 CONFIG REQUIRED), C++17"
cmake -S tests/consumer -B "$work/consumer" -G Ninja -DCMAKE_PREFIX_PATH="$work/prefix" \
    >/dev/null
cmake --build "$work/consumer" >/dev/null
# shellcheck disable=SC2086
"$work/consumer/consumer" "$golden" $counts "$weapon"

step "Consumer through pkg-config --cflags --libs marrow-loader alone, C++17"
flags=$(PKG_CONFIG_PATH="$work/prefix/lib/pkgconfig" pkg-config --cflags --libs marrow-loader)
echo "pkg-config: $flags"
# shellcheck disable=SC2086
c++ -std=c++17 -Wall -Wextra -Wpedantic -Werror tests/consumer/Consumer.cpp $flags \
    -o "$work/consumer-pc"
# shellcheck disable=SC2086
"$work/consumer-pc" "$golden" $counts "$weapon"

# once_more <name> <log>: says that a step failed and is run once more. wine's start of a process
# fails now and then ("Can't start Ini2Reg.bat ...: Internal error."), so, as with the Windows
# tests, only a failure that repeats fails the check.
once_more() {
    echo "$1: a step failed and runs once more; what it printed:"
    sed 's/^/  /' "$2"
}

# check_package <name> <folder of its bin/> <runner...>: builds examples/ with the unpacked
# Marrow in a folder of its own and compares the result with the golden file.
check_package() {
    name=$1
    bin=$2
    shift 2
    tables=$work/tables-$name
    mkdir -p "$tables/out"
    cp examples/*.txt "$tables/"
    (cd "$tables" && "$@" out >"$work/$name.log" 2>&1) || {
        once_more "$name" "$work/$name.log"
        (cd "$tables" && "$@" out >"$work/$name.log" 2>&1) || {
            cat "$work/$name.log"
            echo "$name: Marrow failed" >&2
            exit 1
        }
    }
    cmp "$tables/out/items.idb" "$golden"
    [ ! -e "$tables/tempreg.ini" ] && [ ! -e "$tables/tempreg.reg" ]
    echo "$name: items.idb is the golden file ($(wc -c <"$golden") bytes); run from $bin"
    # The loader's sources for a game's own compiler (built alone by the test suite).
    [ -f "$bin/../share/marrow/loader-src/CMakeLists.txt" ] &&
        [ -f "$bin/../share/marrow/loader-src/loader/include/marrow/Loader.h" ] || {
        echo "$name: the loader's sources are missing" >&2
        exit 1
    }
    echo "$name: carries the loader's sources in share/marrow/loader-src"
}

# check_book <name> <itembook> <Marrow> <runner...>: the package's itembook writes a workbook of
# the example tables and exports it into an empty folder, where the package's Marrow builds the
# golden file.
check_book() {
    name=$1
    book=$2
    marrow=$3
    shift 3
    dir=$work/book-$name
    mkdir -p "$dir/tables/out"
    cp examples/*.txt "$dir/"
    book_steps() {
        (cd "$dir" && "$@" "$book" import . Items.xlsx --force &&
            "$@" "$book" export Items.xlsx tables && cd tables && "$@" "$marrow" out) \
            >"$work/$name-book.log" 2>&1
    }
    book_steps "$@" || {
        once_more "$name" "$work/$name-book.log"
        book_steps "$@" || {
            cat "$work/$name-book.log"
            echo "$name: itembook or Marrow failed" >&2
            exit 1
        }
    }
    cmp "$dir/tables/out/items.idb" "$golden"
    echo "$name: itembook's workbook of the examples, exported, builds the golden file"
}

# check_stripped <nm> <folder> <programs...>: each program has no symbol table left.
check_stripped() {
    nm=$1
    folder=$2
    shift 2
    for program in "$@"; do
        "$nm" "$folder/$program" 2>&1 | grep -q 'no symbols' || {
            echo "$folder/$program is not stripped" >&2
            exit 1
        }
    done
    echo "stripped: $*"
}

list_package() {
    echo "$1: $(wc -c <"$1") bytes"
    shift
    "$@" | sed 's/^/  /'
}

step "Packages: TGZ and DEB"
(cd build/release && cpack -G "TGZ;DEB" >/dev/null)
tgz=$(ls build/release/marrow-*-linux-*.tar.gz)
deb=$(ls build/release/marrow_*.deb)
mkdir "$work/tgz" "$work/deb"
tar -xzf "$tgz" -C "$work/tgz"
tgzbin=$(echo "$work"/tgz/*/bin)
check_package tgz "$tgzbin" env -i "$tgzbin/Marrow"
dpkg-deb -x "$deb" "$work/deb"
check_package deb "$work/deb/usr/bin" env -i "$work/deb/usr/bin/Marrow"
check_book deb "$work/deb/usr/bin/itembook" "$work/deb/usr/bin/Marrow" env -i
check_book tgz "$tgzbin/itembook" "$tgzbin/Marrow" env -i
check_stripped nm "$tgzbin" Marrow ini2reg idbdump itemcheck itembook itemwatch
list_package "$tgz" tar -tzvf "$tgz"
list_package "$deb" dpkg-deb -c "$deb"
dpkg-deb -f "$deb" Package Version Architecture Depends

if $windows; then
    step "Package: ZIP (Windows), run under wine"
    (cd build/windows && cpack -G ZIP >/dev/null)
    zip=$(ls build/windows/marrow-*-windows-x64.zip)
    mkdir "$work/zip"
    (cd "$work/zip" && cmake -E tar xf "$root/$zip")
    zipbin=$(echo "$work"/zip/*/bin)
    check_package zip "$zipbin" env -i HOME="$HOME" WINEDEBUG=-all \
        ${WINEPREFIX:+WINEPREFIX="$WINEPREFIX"} /usr/bin/wine "$zipbin/Marrow.exe"
    check_book zip "$zipbin/itembook.exe" "$zipbin/Marrow.exe" env -i HOME="$HOME" WINEDEBUG=-all \
        ${WINEPREFIX:+WINEPREFIX="$WINEPREFIX"} /usr/bin/wine
    check_stripped x86_64-w64-mingw32-nm "$zipbin" Marrow.exe ini2reg.exe idbdump.exe itemcheck.exe \
        itembook.exe itemwatch.exe
    list_package "$zip" cmake -E tar tvf "$zip"
fi
