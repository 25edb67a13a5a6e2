#!/bin/sh
# Builds everything and runs every test: release, the example tables through LibreOffice Calc
# and Gnumeric, idbdump's report page in Chromium, sanitizers, a leak check of a whole run, the
# Windows build under wine, the install with a consumer project and the packages, and a short
# fuzzing smoke. Exits non-zero on the first failure.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh" tests
cd "$root"
jobs=$(nproc 2>/dev/null || echo 2)

step() { printf '\n== %s\n' "$*"; }

step "Release build and tests"
cmake --preset release >/dev/null
cmake --build --preset release -j "$jobs"
ctest --preset release -j "$jobs"

step "Spreadsheet exports: LibreOffice Calc and Gnumeric, headless"
sh tests/spreadsheets/run-spreadsheet-tests.sh build/release

step "The report page in a browser: headless Chromium"
sh tests/report/run-report-tests.sh build/release

step "Address and undefined-behaviour sanitizers"
cmake --preset asan >/dev/null
cmake --build --preset asan -j "$jobs"
ctest --preset asan -j "$jobs"

step "A whole run on the examples under valgrind"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp examples/*.txt examples/Ini2Reg.bat build/release/tools/ini2reg "$work/"
mkdir "$work/out"
(cd "$work" && valgrind -q --leak-check=full --show-leak-kinds=all --errors-for-leak-kinds=all \
    --error-exitcode=3 "$root/build/release/driver/Marrow" out >/dev/null)
cmp "$work/out/items.idb" tests/golden/examples.idb
echo "valgrind: no leak, no invalid access"

step "Windows build, tests under wine"
export WINEDEBUG=-all
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$jobs"
# A cold wine prefix costs seconds per process: start its server once for all tests.
wineserver -p 2>/dev/null || true
wine cmd /c exit >/dev/null 2>&1 || true
# wine's own loader now and then asserts while a test program exits after every test passed
# ("Inconsistency detected by ld.so: dl-fini.c"); a program that fails is run once more, so
# only a failure that repeats fails the run.
ctest --preset windows --repeat until-pass:2

step "Install, the consumer project, and the ZIP, TGZ and DEB each building the examples"
scripts/check-install.sh --windows
wineserver -k 2>/dev/null || true

step "Fuzzing smoke: each libFuzzer target for 20 seconds"
# The whole fuzz build first: it is the one build of every program with clang, whose warnings
# (errors here) differ from gcc's.
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs"
FUZZ_BUILD_JOBS=$jobs fuzz/run-fuzzers.sh 20
