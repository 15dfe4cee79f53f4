#!/bin/sh
# Whether `generate-sheet summary` stays linear in the class: the same
# paper at 5,000, 20,000 and 50,000 results files (SIZES to choose others),
# each size a folder of hard links to the first files of the largest, made
# once by summary_bench.sh.
#
#   bench/summary_scale.sh [QUESTIONS] BUILD_DIR...
#
# Prints each run as summary_bench.sh does (CPU, wall, peak RSS), then, per
# build and size, the median of the runs' CPU and wall time a thousand
# files, which is flat when the summary is linear.
set -eu
questions=${1:?usage: summary_scale.sh QUESTIONS BUILD_DIR...}
shift
[ $# -ge 1 ] || { echo "usage: summary_scale.sh QUESTIONS BUILD_DIR..." >&2; exit 2; }
here=$(cd "$(dirname "$0")" && pwd)
work=${BENCH_DIR:-/tmp/generatesheet-summary-bench}
sizes=${SIZES:-5000 20000 50000}
largest=0
for n in $sizes; do [ "$n" -gt "$largest" ] && largest=$n; done
RUNS=0 "$here/summary_bench.sh" "$largest" "$questions" "$1"
all="$work/results-$largest-$questions"
for n in $sizes; do
  folder="$work/results-$n-$questions"
  [ -f "$folder/.complete" ] && continue
  rm -rf "$folder"
  mkdir -p "$folder"
  ls "$all" | grep 'results\.json$' | head -n "$n" | while read -r name; do
    ln "$all/$name" "$folder/$name"
  done
  touch "$folder/.complete"
done
for n in $sizes; do
  echo "== $n files, $questions questions, load $(cut -d' ' -f1-3 /proc/loadavg)"
  "$here/summary_bench.sh" "$n" "$questions" "$@" | tee "$work/scale-$n.txt"
done
echo "== median a thousand files (CPU s, wall s)"
for build in "$@"; do
  for n in $sizes; do
    grep -F "$build:" "$work/scale-$n.txt" |
      sed 's/.*CPU \([0-9.]*\) s.*wall \([0-9.]*\) s.*peak RSS \([0-9.]*\) MiB/\1 \2 \3/' |
      sort -n | awk -v n="$n" -v build="$build" '{ cpu[NR] = $1; wall[NR] = $2; rss[NR] = $3 }
        END { m = int((NR + 1) / 2)
              printf "%s, %d files: CPU %.3f s, wall %.3f s a thousand; peak RSS %.1f MiB\n",
                     build, n, cpu[m] * 1000 / n, wall[m] * 1000 / n, rss[m] }'
  done
done
