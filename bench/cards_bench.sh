#!/bin/sh
# What report cards add to a PDF batch: `generate-sheet batch --pdf` for N
# students of the English sample paper (each in a folder of its own), from
# an empty folder, without and with --report-cards, one after the other in
# each run so both meet the same load.
#
#   bench/cards_bench.sh BUILD_DIR [STUDENTS] [JOBS] [RUNS]
#
# Prints for each of RUNS runs (default 3) the wall time and the user +
# system CPU time (the program and its browsers) of both batches, what the
# cards add in per cent of each, and the load average before the run.  The
# machine should be quiet: run it when `uptime` is lowest.  Packages are
# kept in $BENCH_DIR (default /tmp/generatesheet-batch-bench, shared with
# batch_bench.sh and pdf_bench.sh).
set -eu
build=$(cd "${1:?usage: cards_bench.sh BUILD_DIR [STUDENTS] [JOBS] [RUNS]}" && pwd)
students=${2:-200}
jobs=${3:-2}
runs=${4:-3}
. "$(dirname "$0")/class_packages.sh"

# Runs the batch from an empty folder with extra options $@; prints
# "WALL CPU" in seconds.
timed_batch() {
  rm -rf "$work/card-pages"
  /usr/bin/time -f "%e %U %S" -o "$work/time" "$tool" batch "$work/manifest-$students.csv" \
    --out "$work/card-pages/" --jobs "$jobs" --key-file "$key" --marks --pdf "$@" 2> /dev/null
  awk '{ printf "%.2f %.2f\n", $1, $2 + $3 }' "$work/time"
}

run=1
while [ "$run" -le "$runs" ]; do
  load=$(cut -d' ' -f1 /proc/loadavg)
  set -- $(timed_batch)
  pdf_wall=$1 pdf_cpu=$2
  set -- $(timed_batch --report-cards)
  cards_wall=$1 cards_cpu=$2
  pages=$(pdfinfo "$work/card-pages/cards.pdf" 2> /dev/null | awk '/^Pages:/ { print $2 }')
  awk -v n="$students" -v j="$jobs" -v l="$load" -v w="$pdf_wall" -v c="$pdf_cpu" \
    -v cw="$cards_wall" -v cc="$cards_cpu" -v p="${pages:-?}" 'BEGIN {
      printf "load %s: %d students, %d jobs: --pdf %.2f s (CPU %.2f s);", l, n, j, w, c
      printf " --pdf --report-cards %.2f s (CPU %.2f s), cards.pdf %s pages:", cw, cc, p
      printf " +%.1f%% wall, +%.1f%% CPU\n", 100 * (cw - w) / w, 100 * (cc - c) / c }'
  run=$((run + 1))
done
