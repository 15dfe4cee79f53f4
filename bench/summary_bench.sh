#!/bin/sh
# Class summary of a large class: `generate-sheet summary` over FILES results
# files of a QUESTIONS-question paper, timed with /usr/bin/time.
#
#   bench/summary_bench.sh [FILES] [QUESTIONS] BUILD_DIR...
#
# The results files are made once (in $BENCH_DIR, default
# /tmp/generatesheet-summary-bench) from the results of a real batch over the
# English sample: its questions repeated up to QUESTIONS, each student given
# an ability and each question a difficulty, so the figures have something
# to tell (a tenth of the questions are essays scored in parts, a few
# answers are left blank).  With several build folders the runs alternate
# between them, $RUNS rounds (default 3), so a shared machine's load falls
# on each alike.  Prints, per run: the build, CPU seconds (user + system),
# wall seconds and the peak RSS in MiB.
set -eu
files=${1:?usage: summary_bench.sh FILES QUESTIONS BUILD_DIR...}
questions=${2:?usage: summary_bench.sh FILES QUESTIONS BUILD_DIR...}
shift 2
[ $# -ge 1 ] || { echo "usage: summary_bench.sh FILES QUESTIONS BUILD_DIR..." >&2; exit 2; }
root=$(cd "$(dirname "$0")/.." && pwd)
work=${BENCH_DIR:-/tmp/generatesheet-summary-bench}
key="$root/samples/demo.key"
folder="$work/results-$files-$questions"

if [ ! -f "$folder/.complete" ]; then
  tool="$1/generate-sheet"
  rm -rf "$work/seed" "$folder"
  mkdir -p "$work/seed"
  "$tool" pack "$root/samples/english.json" --out "$work/seed/package" --name s.zip \
    --key-file "$key" > /dev/null
  printf 'package_folder,zip_name,student_id,student_name,subject\npackage,s.zip,2024010101,李明,英语\n' \
    > "$work/seed/manifest.csv"
  "$tool" batch "$work/seed/manifest.csv" --out "$work/seed/pages" --key-file "$key" 2> /dev/null
  python3 - "$work/seed/pages/s.results.json" "$folder" "$files" "$questions" << 'EOF'
import json, math, os, random, sys

seed_path, folder, files, questions = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
seed = json.load(open(seed_path, encoding="utf-8"))
paper = seed["results"]
rng = random.Random(20261208)
difficulty = [rng.uniform(-1.5, 1.5) for _ in range(questions)]
os.makedirs(folder)
for s in range(files):
    ability = rng.gauss(0, 1)
    results = []
    for q in range(questions):
        r = dict(paper[q % len(paper)])
        r["number"] = q + 1
        full = float(r["full"])
        p = 1 / (1 + math.exp(difficulty[q] - ability))
        if rng.random() < 0.03:
            r["student_answer"], r["obtained"], r["verdict"] = None, "0", "unanswered"
        elif r["choice"]:
            right = rng.random() < p
            others = [o for o in r["options"] if o != r["standard_answer"]]
            r["student_answer"] = r["standard_answer"] if right else rng.choice(others)
            r["obtained"] = r["full"] if right else "0"
            r["verdict"] = "correct" if right else "wrong"
        else:
            got = round(full * min(1, max(0, rng.gauss(p, 0.15))))
            r["student_answer"] = "作文"
            r["obtained"] = str(got)
            r["verdict"] = "correct" if got == full else "wrong" if got == 0 else "partial"
        results.append(r)
    record = dict(seed, student_id="S%05d" % s, student_name="学生%d" % s,
                  page="s%05d.html" % s, results=results)
    with open(os.path.join(folder, "s%05d.results.json" % s), "w", encoding="utf-8") as f:
        json.dump(record, f, ensure_ascii=False)
EOF
  touch "$folder/.complete"
fi

round=1
while [ "$round" -le "${RUNS:-3}" ]; do
  for build in "$@"; do
    /usr/bin/time -v "$build/generate-sheet" summary "$folder" > /dev/null 2> "$work/time.txt" ||
      { cat "$work/time.txt" >&2; exit 1; }
    awk -v build="$build" -F': ' '
      /User time/ { user = $2 } /System time/ { sys = $2 }
      /Elapsed \(wall clock\)/ { n = split($2, p, ":"); wall = p[n] + (n > 1 ? 60 * p[n - 1] : 0) }
      /Maximum resident/ { rss = $2 }
      END { printf "%s: CPU %.2f s (user %.2f, sys %.2f), wall %.2f s, peak RSS %.1f MiB\n",
            build, user + sys, user, sys, wall, rss / 1024 }' "$work/time.txt"
  done
  round=$((round + 1))
done
