#!/bin/sh
# The loader's packaged sources built alone, as a game would: installs the loader_source
# component of a build tree into an empty prefix, then builds it through tests/loader-source
# with each compiler found (g++, clang++, the mingw cross compiler) at C++17 and with
# -Wall -Wextra -Wpedantic -Wconversion -Wsign-conversion -Werror. The native builds run the
# consumer on the golden database; the mingw one is built only. A compiler that is missing is
# said so; none at all fails.
# Usage: build-alone.sh <build tree> <golden items.idb>
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=$1
golden=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake --install "$build" --component loader_source --prefix "$work/prefix" >/dev/null
source=$work/prefix/share/marrow/loader-src
# The consumer's arguments, as scripts/check-install.sh takes them: the record counts idbdump
# gives, and the first weapon's name as the builder stores it.
counts=$("$build/tools/idbdump" --summary "$golden" |
    awk '$1 ~ /^(materials|weapons|armors|quickItems|questItems|lootItems)$/ { printf "%s ", $2 }')
weapon=$(sed -n 3p "$here/../../examples/Weapons.txt" | cut -f1 | tr 'A-Z' 'a-z')
flags="-Wall -Wextra -Wpedantic -Wconversion -Wsign-conversion -Werror"
built=0
for compiler in g++ clang++ x86_64-w64-mingw32-g++-posix; do
    if ! command -v "$compiler" >/dev/null 2>&1; then
        echo "$compiler: not found, skipped"
        continue
    fi
    set -- -DCMAKE_CXX_COMPILER="$compiler"
    case $compiler in *mingw*) set -- "$@" -DCMAKE_SYSTEM_NAME=Windows ;; esac
    cmake -S "$here" -B "$work/$compiler" -G Ninja -DMARROW_LOADER_SOURCE="$source" \
        -DCMAKE_CXX_FLAGS="$flags" "$@" >"$work/log" 2>&1 || { cat "$work/log"; exit 1; }
    cmake --build "$work/$compiler" -j2 >"$work/log" 2>&1 || { cat "$work/log"; exit 1; }
    case $compiler in
        *mingw*) echo "$compiler: built at C++17" ;;
        *)
            # shellcheck disable=SC2086
            "$work/$compiler/consumer" "$golden" $counts "$weapon"
            ;;
    esac
    built=$((built + 1))
done
[ "$built" -gt 0 ] || { echo "no compiler found" >&2; exit 1; }
