#!/bin/sh
# Makes the release packages: a TGZ and a DEB from the Linux release build, and a ZIP from the
# Windows (mingw) build, each with the programs stripped. scripts/check-install.sh tests them.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh" tests
cd "$root"
jobs=$(nproc 2>/dev/null || echo 2)
for preset in release windows; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j "$jobs" --target package
done
ls -l build/release/marrow-*.tar.gz build/release/marrow_*.deb build/windows/marrow-*.zip
