#!/bin/sh
# Builds everything and runs every test. Exits non-zero on the first failure.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh" tests
cd "$root"

echo "== Release build and tests"
cmake --preset release >/dev/null
cmake --build --preset release
ctest --preset release -j2
