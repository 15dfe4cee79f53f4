#!/bin/sh
# Batch throughput: packs the English sample paper for N students (each in a
# folder of its own) and times `generate-sheet batch` over them.
#
#   bench/batch_bench.sh BUILD_DIR [STUDENTS] [JOBS]
#
# Prints the wall time and pages per second.  Repeated runs reuse the
# packages in $BENCH_DIR (default /tmp/generatesheet-batch-bench).
# $BATCH_FLAGS adds options to the batch, e.g. BATCH_FLAGS="--marks --pdf".
set -eu
build=${1:?usage: batch_bench.sh BUILD_DIR [STUDENTS] [JOBS]}
students=${2:-200}
jobs=${3:-2}
. "$(dirname "$0")/class_packages.sh"

rm -rf "$work/pages"
start=$(date +%s.%N)
"$tool" batch "$work/manifest-$students.csv" --out "$work/pages/" --jobs "$jobs" \
  --key-file "$key" ${BATCH_FLAGS:-} 2> /dev/null
end=$(date +%s.%N)
awk -v n="$students" -v j="$jobs" -v s="$start" -v e="$end" \
  'BEGIN { printf "%d pages, %d jobs: %.2f s, %.1f pages/s\n", n, j, e - s, n / (e - s) }'
