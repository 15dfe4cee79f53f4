#!/bin/sh
# The program against the floor, on realistic papers of 100, 1,000 and
# 10,000 questions, and the batch speed-up of two workers over one.
#
#   bench/paper_bench.sh BUILD_DIR [RUNS]
#
# The floor is the least any reader of a package must do: extract it with
# bsdtar (password "qvk") and export every table of Pbase.mdb and of a
# decrypted Analysis.mdb with mdb-export.  Each of RUNS paired runs (default
# 5) times `generate-sheet run` and then the floor; CPU is user + system
# time.  Printed: minimum / median / maximum of the program's CPU, the
# floor's CPU and their ratio (pair by pair), the program's time a question
# (median), its peak RSS (maximum) and the size of the two databases.
# Then `generate-sheet batch` for BENCH_STUDENTS students (default 200) of
# the 1,000-question paper with --jobs 1 and --jobs 2, BENCH_BATCH_RUNS
# pairs (default 3): pages a second, the speed-up and the
# largest peak RSS of a batch.
#
# Needs bsdtar (libarchive-tools) and mdb-export (mdbtools):
# scripts/install-deps.sh --with-bench.
# Packages are kept in $BENCH_DIR (default /tmp/generatesheet-paper-bench)
# for the next run.  BENCH_SIZES (default "100 1000 10000") picks the papers;
# BENCH_STUDENTS=0 leaves the batch out.
set -eu

# The floor for the paper in folder $1, extracting into $2.
floor() {
  dir=$1 scratch=$2
  rm -rf "$scratch" && mkdir -p "$scratch"
  bsdtar -x -f "$dir/paper.zip" --passphrase qvk -C "$scratch"
  for t in $(cat "$dir/pbase.tables"); do mdb-export "$scratch/Pbase.mdb" "$t"; done
  for t in $(cat "$dir/analysis.tables"); do mdb-export "$dir/floor/Analysis.mdb" "$t"; done
}

if [ "${1:-}" = "--floor" ]; then
  floor "$2" "$3" > /dev/null
  exit 0
fi

build=$(cd "${1:?usage: paper_bench.sh BUILD_DIR [RUNS]}" && pwd)
runs=${2:-5}
sizes=${BENCH_SIZES:-100 1000 10000}
students=${BENCH_STUDENTS:-200}
batch_runs=${BENCH_BATCH_RUNS:-3}
work=${BENCH_DIR:-/tmp/generatesheet-paper-bench}
tool="$build/generate-sheet"
maker="$build/bench/make_bench_paper"
measure="$build/bench/measure"
key="$work/bench.key"
for needed in bsdtar mdb-export mdb-tables; do
  command -v "$needed" > /dev/null || { echo "paper_bench: $needed is missing" >&2; exit 1; }
done
mkdir -p "$work"

# min median max of the numbers on standard input.
stats() {
  sort -g | awk '{ v[NR] = $1 } END {
    m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
    printf "%s %s %s\n", v[1], m, v[NR] }'
}

# CPU seconds (user + system) and peak RSS (KiB) of a command, appended to $1.
timed() {
  "$measure" "$@" > /dev/null 2>&1 || { echo "paper_bench: failed: $*" >&2; exit 1; }
}

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
echo "load average at start: $(cut -d' ' -f1-3 /proc/loadavg)"
printf "%-9s %-22s %-22s %-18s %-11s %-10s %s\n" questions "run CPU ms (min/med/max)" \
  "floor CPU ms" "ratio" "us/question" "peak RSS" "databases"
for n in $sizes; do
  dir="$work/q$n"
  if [ ! -f "$dir/paper.zip" ]; then
    "$maker" "$n" "$dir" "$key"
    mdb-tables -1 "$dir/floor/Pbase.mdb" > "$dir/pbase.tables"
    mdb-tables -1 "$dir/floor/Analysis.mdb" > "$dir/analysis.tables"
  fi
  mkdir -p "$dir/run"
  ln -f "$dir/paper.zip" "$dir/run/paper.zip"
  rm -f "$dir/program.txt" "$dir/floor.txt"
  i=0
  while [ "$i" -lt "$runs" ]; do
    timed "$dir/program.txt" "$tool" run --bak-data-path "$dir/run" --zip paper.zip \
      --out "$dir/page/" --student-id 2024010101 --student-name 李明 --subject 英语 \
      --key-file "$key"
    timed "$dir/floor.txt" sh "$0" --floor "$dir" "$dir/scratch"
    i=$((i + 1))
  done
  program=$(cut -d' ' -f1 "$dir/program.txt" | stats)
  floor_cpu=$(cut -d' ' -f1 "$dir/floor.txt" | stats)
  ratio=$(paste -d' ' "$dir/program.txt" "$dir/floor.txt" |
    awk '{ print ($3 > 0 ? $1 / $3 : 0) }' | stats)
  rss=$(cut -d' ' -f2 "$dir/program.txt" | sort -g | tail -1)
  databases=$(($(stat -c %s "$dir/floor/Pbase.mdb") + $(stat -c %s "$dir/floor/Analysis.mdb")))
  echo "$n $program $floor_cpu $ratio $rss $databases" | awk '{
    printf "%-9s %-22s %-22s %-18s %-11.0f %-10s %.1f MiB\n", $1,
      sprintf("%.1f / %.1f / %.1f", $2 * 1000, $3 * 1000, $4 * 1000),
      sprintf("%.1f / %.1f / %.1f", $5 * 1000, $6 * 1000, $7 * 1000),
      sprintf("%.2f / %.2f / %.2f", $8, $9, $10),
      $3 * 1e6 / $1, sprintf("%.1f MiB", $11 / 1024), $12 / 1048576 }'
done

[ "$students" -gt 0 ] || exit 0
dir="$work/q1000"
[ -f "$dir/paper.zip" ] || "$maker" 1000 "$dir" "$key"
batch="$work/batch$students"
if [ ! -f "$batch/manifest.csv" ]; then
  mkdir -p "$batch"
  echo "package_folder,zip_name,student_id,student_name,subject" > "$batch/manifest.part"
  i=1
  while [ "$i" -le "$students" ]; do
    mkdir -p "$batch/s$i"
    ln -f "$dir/paper.zip" "$batch/s$i/s$i.zip"
    echo "s$i,s$i.zip,2024010101,李明,英语" >> "$batch/manifest.part"
    i=$((i + 1))
  done
  mv "$batch/manifest.part" "$batch/manifest.csv"
fi
wall() {
  rm -rf "$batch/pages"
  start=$(date +%s.%N)
  "$measure" "$batch/rss.txt" "$tool" batch "$batch/manifest.csv" --out "$batch/pages/" \
    --jobs "$1" --key-file "$key" > /dev/null 2>&1 ||
    { echo "paper_bench: batch --jobs $1 failed" >&2; exit 1; }
  end=$(date +%s.%N)
  awk -v s="$start" -v e="$end" -v n="$students" 'BEGIN { printf "%.3f\n", n / (e - s) }'
}
rm -f "$batch/speedup.txt" "$batch/one.txt" "$batch/two.txt" "$batch/rss.txt"
i=0
while [ "$i" -lt "$batch_runs" ]; do
  one=$(wall 1)
  two=$(wall 2)
  echo "$one" >> "$batch/one.txt"
  echo "$two" >> "$batch/two.txt"
  awk -v a="$one" -v b="$two" 'BEGIN { print b / a }' >> "$batch/speedup.txt"
  i=$((i + 1))
done
echo "batch of $students students, 1,000 questions each (min / median / max of $batch_runs pairs):"
echo "  --jobs 1: $(stats < "$batch/one.txt") pages/s"
echo "  --jobs 2: $(stats < "$batch/two.txt") pages/s"
echo "  speed-up: $(stats < "$batch/speedup.txt")"
echo "  peak RSS of a batch: $(cut -d' ' -f2 "$batch/rss.txt" | sort -g | tail -1) KiB"
echo "load average at end: $(cut -d' ' -f1-3 /proc/loadavg)"
