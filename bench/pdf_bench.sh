#!/bin/sh
# PDF throughput: `generate-sheet batch --pdf` for N students of the English
# sample paper (each in a folder of its own), then the same batch again
# with --resume, which prints no page and only puts class.pdf together
# again from the students' PDFs (with the class summary and the archive
# manifest, a fraction of a second).
#
#   bench/pdf_bench.sh BUILD_DIR [STUDENTS] [JOBS] [RUNS]
#
# Prints for each of RUNS runs (default 3) the wall time and the user +
# system CPU time (the program and its browsers) of both batches, the
# students a second of the first, the peak resident memory of the batch's
# own process (its browsers are processes of their own) in each, and the
# load average before it.  The
# machine should be quiet: run it when `uptime` is lowest.  Packages are
# kept in $BENCH_DIR (default /tmp/generatesheet-batch-bench, shared with
# batch_bench.sh).  $BATCH_FLAGS adds options to both batches, e.g.
# BATCH_FLAGS=--duplex.
set -eu
build=$(cd "${1:?usage: pdf_bench.sh BUILD_DIR [STUDENTS] [JOBS] [RUNS]}" && pwd)
students=${2:-200}
jobs=${3:-2}
runs=${4:-3}
. "$(dirname "$0")/class_packages.sh"

# Runs the batch with extra options $@; prints "WALL CPU PEAK" in seconds
# and MiB.
timed_batch() {
  /usr/bin/time -f "%e %U %S %M" -o "$work/time" "$tool" batch "$work/manifest-$students.csv" \
    --out "$work/pdf-pages/" --jobs "$jobs" --key-file "$key" --pdf ${BATCH_FLAGS:-} "$@" \
    2> /dev/null
  awk '{ printf "%.2f %.2f %.1f\n", $1, $2 + $3, $4 / 1024 }' "$work/time"
}

run=1
while [ "$run" -le "$runs" ]; do
  load=$(cut -d' ' -f1 /proc/loadavg)
  rm -rf "$work/pdf-pages"
  set -- $(timed_batch)
  all_wall=$1 all_cpu=$2 all_peak=$3
  set -- $(timed_batch --resume)
  class_wall=$1 class_cpu=$2 class_peak=$3
  pages=$(pdfinfo "$work/pdf-pages/class.pdf" 2> /dev/null | awk '/^Pages:/ { print $2 }')
  awk -v n="$students" -v j="$jobs" -v l="$load" -v w="$all_wall" -v c="$all_cpu" \
    -v cw="$class_wall" -v cc="$class_cpu" -v p="${pages:-?}" -v m="$all_peak" \
    -v cm="$class_peak" 'BEGIN {
      printf "load %s: %d students, %d jobs: %.2f s (CPU %.2f s), %.1f students/s, peak %.1f MiB;",
        l, n, j, w, c, n / w, m
      printf " class.pdf again (%s pages): %.2f s (CPU %.2f s), peak %.1f MiB\n", p, cw, cc, cm }'
  run=$((run + 1))
done
