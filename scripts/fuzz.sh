#!/bin/sh
# Builds the fuzz targets with clang and libFuzzer under the address and
# undefined-behaviour sanitizers and runs one or all of them, one after
# another, each for SECONDS (default 600).  Not part of the test command:
# the suite only replays the stored corpus (fuzz/corpus/).
#
# Usage: scripts/fuzz.sh [TARGET] [SECONDS]   TARGET: rtf query zip mdb cipher
# New inputs go to $BUILD_DIR/corpus/TARGET (outside the tree); a crash or
# sanitizer report is written to $BUILD_DIR/findings/ and should be copied
# into fuzz/corpus/TARGET/ once fixed, so the replay keeps it.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-"$root/build-fuzz"}
targets=${1:-"rtf query zip mdb cipher"}
seconds=${2:-600}

"$root/scripts/install-deps.sh" --with-fuzzer
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DGENERATESHEET_FUZZ=ON \
  -DGENERATESHEET_BUILD_TESTS=OFF -DGENERATESHEET_BUILD_BENCH=OFF
cmake --build "$build" -j2 --target $(for t in $targets; do printf '%s_fuzzer ' "$t"; done)

mkdir -p "$build/findings"
for t in $targets; do
  seeds="$root/fuzz/corpus/$t"
  case $t in
    mdb) seeds="$seeds $root/tests/testdata/access" ;;
    rtf) seeds="$seeds $root/tests/testdata/rtf" ;;
  esac
  mkdir -p "$build/corpus/$t"
  echo "fuzz.sh: $t for $seconds s"
  # shellcheck disable=SC2086
  if "$build/fuzz/${t}_fuzzer" "$build/corpus/$t" $seeds -max_total_time="$seconds" \
      -max_len=1048576 -rss_limit_mb=2048 -timeout=10 -print_final_stats=1 \
      -artifact_prefix="$build/findings/$t-" >"$build/findings/$t.log" 2>&1; then
    echo "fuzz.sh: $t: no finding"
  else
    echo "fuzz.sh: $t: FINDING, see $build/findings/"
  fi
  grep -E '^stat::(number_of_executed_units|peak_rss_mb)' "$build/findings/$t.log" || true
done
