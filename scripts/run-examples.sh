#!/bin/sh
# Builds Marrow, its tools (itembook among them) and the loader example, checks the example
# tables with itemcheck and builds them (the pipeline's gate and build); the database lands in
# examples/out/ and its summary is printed.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh" build
cd "$root"
cmake --preset release >/dev/null
cmake --build --preset release --target Marrow ini2reg idbdump itemcheck itembook load_items_example
cd "$root/examples"
mkdir -p out
# Ini2Reg.bat finds the converter on PATH. itemcheck first: a table problem stops the build.
PATH="$root/build/release/tools:$PATH"
"$root/build/release/tools/itemcheck" && "$root/build/release/driver/Marrow" out
# What was built: the records per list and the size of the database.
cd "$root"
"$root/build/release/tools/idbdump" --summary examples/out/items.idb
