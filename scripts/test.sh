#!/bin/sh
# Installs everything the test suite needs, builds with warnings as errors
# (Release) and runs every test.  Run it from anywhere; the build goes to
# $BUILD_DIR (default: build/ in the clone).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-"$root/build"}

"$root/scripts/install-deps.sh" --with-browser
npm ci --prefix "$root/tests/js"
# The optimised build hosts use, so its warnings fail the run too.
cmake -S "$root" -B "$build" -DGENERATESHEET_WERROR=ON -DCMAKE_BUILD_TYPE=Release
cmake --build "$build" -j2
ctest --test-dir "$build" --output-on-failure

# The README's path for a newcomer: a clean clone of the committed sources,
# scripts/demo.sh, the install and a host built against it.  It builds the
# program and the library once more, in the clone (about 4 minutes of CPU).
# GENERATESHEET_SKIP_NEWCOMER=1 skips it.
if [ "${GENERATESHEET_SKIP_NEWCOMER:-0}" != 1 ]; then
  sh "$root/tests/install/newcomer_test.sh" "$root" "$build/newcomer"
fi

# The same suite once more under the address and undefined-behaviour
# sanitizers, so a memory error fails the run even where no check looks.
# GENERATESHEET_SKIP_SANITIZERS=1 skips this half.
if [ "${GENERATESHEET_SKIP_SANITIZERS:-0}" != 1 ]; then
  sanitized="$build-sanitize"
  cmake -S "$root" -B "$sanitized" -DGENERATESHEET_WERROR=ON -DGENERATESHEET_SANITIZE=ON \
    -DGENERATESHEET_BUILD_BENCH=OFF
  cmake --build "$sanitized" -j2
  ctest --test-dir "$sanitized" --output-on-failure
fi

# The tests where threads meet (the batch runner, concurrent objects, the
# shared log and stderr) once more under the thread sanitizer.  glibc's
# internal locks are invisible to it: tests/tsan.supp names those places.
# GENERATESHEET_SKIP_TSAN=1 skips this part.
if [ "${GENERATESHEET_SKIP_TSAN:-0}" != 1 ]; then
  threaded="$build-tsan"
  cmake -S "$root" -B "$threaded" -DGENERATESHEET_WERROR=ON -DGENERATESHEET_SANITIZE_THREAD=ON \
    -DGENERATESHEET_BUILD_BENCH=OFF
  cmake --build "$threaded" -j2 --target generatesheet_tests generate-sheet
  G_SLICE=always-malloc TSAN_OPTIONS="halt_on_error=1 suppressions=$root/tests/tsan.supp" \
    "$threaded/tests/generatesheet_tests" --gtest_filter='BatchCommandTest.*:RtfToPlainTextTest.ConcurrentCallsAgree:PaperTest.ThreadsEachWithTheirOwnObjectGetTheirOwnPages:ConnectionTest.ConnectionsOnSeparateThreadsAreIndependent:PageOutcome*:CApiTest.TwoHandles*:LogCallback.*:CApiTest.LogCallbacks*'
fi
