#!/bin/sh
# Installs everything the test suite needs, builds with warnings as errors
# and runs every test.  Run it from anywhere; the build goes to
# $BUILD_DIR (default: build/ in the clone).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-"$root/build"}

"$root/scripts/install-deps.sh" --with-browser
npm ci --prefix "$root/tests/js"
cmake -S "$root" -B "$build" -DGENERATESHEET_WERROR=ON
cmake --build "$build" -j2
ctest --test-dir "$build" --output-on-failure
