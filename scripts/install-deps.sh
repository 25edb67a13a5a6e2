#!/bin/sh
# Installs the Debian packages a build needs, and only those that are missing.
# Usage: install-deps.sh build|tests
set -eu

# zlib: the workbooks (.xlsx, .ods) are zip archives.
packages="cmake ninja-build g++ libgtest-dev libbenchmark-dev zlib1g-dev"
if [ "${1:-build}" = tests ]; then
    packages="$packages clang libclang-rt-14-dev g++-mingw-w64-x86-64 libz-mingw-w64-dev wine wine64"
    packages="$packages valgrind"
    # The package checks: pkg-config for the consumer, dpkg-shlibdeps for the DEB's Depends.
    packages="$packages pkgconf dpkg-dev"
    # The spreadsheet programs whose exports the tests build, headless.
    packages="$packages libreoffice-calc-nogui gnumeric"
    # unzip: a look inside the workbooks they save.
    packages="$packages unzip"
    # The browser that opens idbdump's report page, and the checker of what it rendered.
    packages="$packages chromium python3"
fi

missing=""
for p in $packages; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
        missing="$missing $p"
done
[ -z "$missing" ] && exit 0

echo "Installing:$missing"
if [ "$(id -u)" -ne 0 ]; then
    echo "install-deps.sh: these packages are missing and installing them needs root:$missing" >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -q
# shellcheck disable=SC2086
apt-get install -y -q --no-install-recommends $missing
