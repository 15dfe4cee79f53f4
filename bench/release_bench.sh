#!/bin/sh
# The work tree's build against the previous release (or any commit), in one
# run on one machine: instruction counts (callgrind) and CPU times of
# `generate-sheet run` on the realistic papers of 1,000 and 10,000
# questions, each against the floor.
#
#   bench/release_bench.sh BUILD_DIR [REF] [RUNS]
#
# BUILD_DIR is the work tree's Release build, with generate-sheet,
# bench/make_bench_paper and bench/measure built.  REF (default: the last
# tag "v*" before HEAD) is checked out with `git worktree` into
# $BENCH_REF_DIR/<commit> (default /tmp/generatesheet-release-bench) and
# built there in Release; the build is kept for the next run (remove it with
# `git worktree remove --force DIR`).
#
# Printed, for each paper: callgrind's instruction count of one run of each
# build (exact and repeatable on a shared machine; valgrind hides the SHA
# and AES instructions, so their parts count at the portable code's cost);
# then RUNS rounds (default 5) each running the reference, the work tree
# and the floor one after another (the first two swapped every other
# round), CPU = user + system: minimum / median / maximum, the ratio to the
# floor and between the builds (round by round, median), peak RSS (largest).
# The floor is paper_bench.sh's: bsdtar extraction with "qvk" and
# mdb-export of every table of both databases.
#
# BENCH_SIZES (default "1000 10000") picks the papers, BENCH_CALLGRIND=0
# leaves the instruction counts out.  Packages are kept in $BENCH_DIR
# (default /tmp/generatesheet-paper-bench), shared with paper_bench.sh.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:?usage: release_bench.sh BUILD_DIR [REF] [RUNS]}" && pwd)
ref=${2:-$(git -C "$here" describe --tags --abbrev=0 --match 'v*' HEAD)}
runs=${3:-5}
sizes=${BENCH_SIZES-1000 10000}
work=${BENCH_DIR:-/tmp/generatesheet-paper-bench}
ref_root=${BENCH_REF_DIR:-/tmp/generatesheet-release-bench}
tool="$build/generate-sheet"
maker="$build/bench/make_bench_paper"
measure="$build/bench/measure"
key="$work/bench.key"
needed="bsdtar mdb-export mdb-tables cmake git"
[ "${BENCH_CALLGRIND:-1}" = 0 ] || needed="$needed valgrind"
for program in $needed; do
  command -v "$program" > /dev/null || { echo "release_bench: $program is missing" >&2; exit 1; }
done
for file in "$tool" "$maker" "$measure"; do
  [ -x "$file" ] || { echo "release_bench: $file is not built" >&2; exit 1; }
done

# The reference build, made once a commit.
commit=$(git -C "$here" rev-parse --verify "$ref^{commit}")
short=$(git -C "$here" rev-parse --short "$commit")
head=$(git -C "$here" rev-parse --short HEAD)
ref_dir="$ref_root/$commit"
ref_tool="$ref_dir/build/generate-sheet"
if [ ! -x "$ref_tool" ]; then
  mkdir -p "$ref_root"
  [ -d "$ref_dir/src" ] || git -C "$here" worktree add --detach "$ref_dir/src" "$commit" > /dev/null 2>&1
  launcher=""
  command -v ccache > /dev/null &&
    launcher="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache"
  # shellcheck disable=SC2086  # the launcher options are split on purpose
  cmake -S "$ref_dir/src" -B "$ref_dir/build" -DCMAKE_BUILD_TYPE=Release \
    -DGENERATESHEET_BUILD_TESTS=OFF -DGENERATESHEET_BUILD_BENCH=OFF $launcher > "$ref_dir/cmake.log" 2>&1 ||
    { echo "release_bench: configuring $ref failed, see $ref_dir/cmake.log" >&2; exit 1; }
  cmake --build "$ref_dir/build" -j"$(nproc)" --target generate-sheet > "$ref_dir/build.log" 2>&1 ||
    { echo "release_bench: building $ref failed, see $ref_dir/build.log" >&2; exit 1; }
fi

# One run of program $1 on the paper in folder $2, under the command prefix
# that follows (measure or valgrind).
run_page() {
  program=$1 dir=$2
  shift 2
  rm -rf "$dir/page" && mkdir -p "$dir/run"
  ln -f "$dir/paper.zip" "$dir/run/paper.zip"
  "$@" "$program" run --bak-data-path "$dir/run" --zip paper.zip --out "$dir/page/" \
    --student-id 2024010101 --student-name 李明 --subject 英语 --key-file "$key" \
    > /dev/null 2>&1 || { echo "release_bench: failed: $program on $dir" >&2; exit 1; }
}

# Instructions of one run of program $1 on the paper in folder $2.
instructions() {
  out="$2/callgrind.out"
  run_page "$1" "$2" valgrind --tool=callgrind --callgrind-out-file="$out"
  awk '/^summary:/ { print $2 }' "$out"
}

# min median max of the numbers on standard input.
stats() {
  sort -g | awk '{ v[NR] = $1 } END {
    m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
    printf "%s %s %s\n", v[1], m, v[NR] }'
}
median() { stats | cut -d' ' -f2; }

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
echo "date: $(date -u '+%Y-%m-%d %H:%M UTC'); load average at start: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "reference: $ref ($short); work tree: $head$(git -C "$here" diff --quiet HEAD || echo ' with changes')"
mkdir -p "$work"
for n in $sizes; do
  dir="$work/q$n"
  if [ ! -f "$dir/paper.zip" ]; then
    "$maker" "$n" "$dir" "$key" > /dev/null
  fi
  [ -s "$dir/pbase.tables" ] || mdb-tables -1 "$dir/floor/Pbase.mdb" > "$dir/pbase.tables"
  [ -s "$dir/analysis.tables" ] || mdb-tables -1 "$dir/floor/Analysis.mdb" > "$dir/analysis.tables"

  echo
  echo "$n questions:"
  if [ "${BENCH_CALLGRIND:-1}" != 0 ]; then
    ref_ir=$(instructions "$ref_tool" "$dir")
    new_ir=$(instructions "$tool" "$dir")
    awk -v r="$ref_ir" -v w="$new_ir" -v rn="$short" -v wn="$head" 'BEGIN {
      printf "  instructions (callgrind): %s %.1f M, %s %.1f M, work / reference %.3f\n",
        rn, r / 1e6, wn, w / 1e6, w / r }'
  fi
  rm -f "$dir/ref.txt" "$dir/new.txt" "$dir/floor.txt"
  i=0
  while [ "$i" -lt "$runs" ]; do
    if [ $((i % 2)) -eq 0 ]; then
      run_page "$ref_tool" "$dir" "$measure" "$dir/ref.txt"
      run_page "$tool" "$dir" "$measure" "$dir/new.txt"
    else
      run_page "$tool" "$dir" "$measure" "$dir/new.txt"
      run_page "$ref_tool" "$dir" "$measure" "$dir/ref.txt"
    fi
    "$measure" "$dir/floor.txt" sh "$here/paper_bench.sh" --floor "$dir" "$dir/scratch" > /dev/null
    i=$((i + 1))
  done
  floor_ms=$(cut -d' ' -f1 "$dir/floor.txt" | stats)
  for which in ref new; do
    name=$short
    [ "$which" = new ] && name=$head
    cpu=$(cut -d' ' -f1 "$dir/$which.txt" | stats)
    ratio=$(paste -d' ' "$dir/$which.txt" "$dir/floor.txt" | awk '{ print $1 / $3 }' | median)
    rss=$(cut -d' ' -f2 "$dir/$which.txt" | sort -g | tail -1)
    echo "$name $cpu $ratio $rss" | awk '{
      printf "  %-9s CPU ms %.1f / %.1f / %.1f, floor ratio %.3f, peak RSS %.1f MiB\n",
        $1, $2 * 1000, $3 * 1000, $4 * 1000, $5, $6 / 1024 }'
  done
  echo "$floor_ms" | awk '{ printf "  floor     CPU ms %.1f / %.1f / %.1f\n", $1 * 1000, $2 * 1000, $3 * 1000 }'
  paste -d' ' "$dir/new.txt" "$dir/ref.txt" | awk '{ print $1 / $3 }' | median |
    awk -v n="$runs" '{ printf "  work / reference CPU: %.3f (median of %s rounds)\n", $1, n }'
done
echo
echo "load average at end: $(cut -d' ' -f1-3 /proc/loadavg)"
