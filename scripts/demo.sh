#!/bin/sh
# Installs what the program needs, builds it and runs the demo: the bundled
# sample answer packages are built into out/demo/ and their review pages are
# generated with the demo key.  The page paths are printed at the end.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-"$root/build"}

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build"
cmake --build "$build" -j2 --target generate-sheet
"$build/generate-sheet" demo --out "$root/out/demo"
