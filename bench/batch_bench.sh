#!/bin/sh
# Batch throughput: packs the English sample paper for N students (each in a
# folder of its own) and times `generate-sheet batch` over them.
#
#   bench/batch_bench.sh BUILD_DIR [STUDENTS] [JOBS]
#
# Prints the wall time and pages per second.  Repeated runs reuse the
# packages in $BENCH_DIR (default /tmp/generatesheet-batch-bench).
# $BATCH_FLAGS adds options to the batch, e.g. BATCH_FLAGS="--marks --pdf".
#
#   bench/batch_bench.sh BUILD_DIR memory ROWS [DONE]
#
# The batch's memory at a class size: a manifest of ROWS rows (the first
# DONE, default 1,000, of real packages, hard links of one; the rest name
# packages never reached), run with --report and stopped with SIGINT once
# DONE students are done.  Prints the peak resident memory (/usr/bin/time),
# the wall time and the batch's last line.
set -eu
build=${1:?usage: batch_bench.sh BUILD_DIR [STUDENTS] [JOBS]}
if [ "${2:-}" = memory ]; then
  rows=${3:?usage: batch_bench.sh BUILD_DIR memory ROWS [DONE]}
  done_rows=${4:-1000}
  root=$(cd "$(dirname "$0")/.." && pwd)
  tool="$build/generate-sheet"
  key="$root/samples/demo.key"
  work=${BENCH_DIR:-/tmp/generatesheet-batch-bench}/memory
  mkdir -p "$work/f0" "$work/f1"
  [ -f "$work/p.zip" ] || "$tool" pack "$root/samples/english.json" --out "$work" --name p.zip \
    --key-file "$key" > /dev/null 2>&1
  i=0
  while [ "$i" -lt "$done_rows" ]; do
    f="$work/f$((i % 2))/s$i.zip"
    [ -f "$f" ] || ln "$work/p.zip" "$f"
    i=$((i + 1))
  done
  manifest="$work/manifest-$rows-$done_rows.csv"
  [ -f "$manifest" ] || awk -v rows="$rows" -v done_rows="$done_rows" 'BEGIN {
    print "package_folder,zip_name,student_id,student_name,subject"
    for (r = 0; r < rows; r++)
      printf "f%d,%s%d.zip,2024010101,学生%d,英语\n", r % 2, r < done_rows ? "s" : "r", r, r
  }' > "$manifest"
  rm -rf "$work/out"
  /usr/bin/time -f "%M %e" -o "$work/time" "$tool" batch "$manifest" --out "$work/out/" \
    --jobs 2 --key-file "$key" --report "$work/report.json" 2> "$work/err" &
  timer=$!
  while kill -0 "$timer" 2> /dev/null; do
    made=$(ls "$work/out" 2> /dev/null | grep -c 'results\.json$' || true)
    if [ "$made" -ge "$done_rows" ]; then
      kill -INT $(pgrep -P "$timer") 2> /dev/null || true
      break
    fi
    sleep 0.5
  done
  wait "$timer" || true
  # The last line of time's output: before it, the exit status (130).
  tail -1 "$work/time" | awk -v rows="$rows" -v last="$(tail -1 "$work/err")" \
    '{ printf "%d rows: peak %.1f MiB, %.1f s; %s\n", rows, $1 / 1024, $2, last }'
  exit 0
fi
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
