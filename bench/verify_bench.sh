#!/bin/sh
# Memory and time of `generate-sheet verify` on large and hostile folders,
# measured with /usr/bin/time.
#
#   bench/verify_bench.sh BUILD_DIR [FILES]
#
# Made once in $BENCH_DIR (default /tmp/generatesheet-verify-bench): a batch
# of two students of the English sample, then
#   many     FILES (default 50000) more files with long names, listed by a
#            summary: the largest manifest an honest folder of that size has;
#   latin1   1000 files whose names are not UTF-8, listed by a summary;
#   huge     the two students' folder with a planted MANIFEST.json of 100 MB;
#   deep     the same with a manifest nested 200,000 deep;
#   at-cap   the FILES folder with its manifest swapped for one that fills
#            the largest size verify reads there with short entries of files
#            that are not there (the worst a planted manifest can do there);
#            the honest manifest is put back after.
# Prints, per case: verify's exit code, the first line it wrote, the
# manifest's size, wall seconds and the peak RSS in MiB.
set -eu
build=${1:?usage: verify_bench.sh BUILD_DIR [FILES]}
files=${2:-50000}
tool="$build/generate-sheet"
root=$(cd "$(dirname "$0")/.." && pwd)
work=${BENCH_DIR:-/tmp/generatesheet-verify-bench}
key="$root/samples/demo.key"

# A folder of two students' pages, its manifest written by the batch.
make_class() {
  rm -rf "$work/$1"
  "$tool" batch "$work/manifest.csv" --out "$work/$1" --key-file "$key" > /dev/null 2>&1
}

if [ ! -f "$work/.complete-$files" ]; then
  rm -rf "$work"
  mkdir -p "$work"
  "$tool" pack "$root/samples/english.json" --out "$work/package" --name s.zip \
    --key-file "$key" > /dev/null
  cp "$work/package/s.zip" "$work/package/t.zip"
  printf 'package_folder,zip_name,student_id,student_name,subject\n%s\n%s\n' \
    'package,s.zip,2024010101,李明,英语' 'package,t.zip,2024010101,李明,英语' \
    > "$work/manifest.csv"
  make_class many
  python3 - "$work/many" "$files" << 'EOF'
import os, sys
folder, files = sys.argv[1], int(sys.argv[2])
os.makedirs(os.path.join(folder, "extra"))
for i in range(files):
    name = "extra/%06d-%s.txt" % (i, "附件" * 20)
    with open(os.path.join(folder, name), "w") as f:
        f.write(str(i))
EOF
  "$tool" summary "$work/many" > /dev/null 2>&1
  make_class latin1
  python3 - "$work/latin1" << 'EOF'
import os, sys
folder = os.fsencode(sys.argv[1])
for i in range(1000):
    with open(os.path.join(folder, b"caf\xe9-%d\x0a\xff.txt" % i), "w") as f:
        f.write(str(i))
EOF
  "$tool" summary "$work/latin1" > /dev/null 2>&1
  make_class huge
  python3 - "$work/huge/MANIFEST.json" << 'EOF'
import sys
entry = '{"path": "a", "size": 1, "sha256": "00"}, '
with open(sys.argv[1], "w") as f:
    f.write('{"manifest_sha256": "", "format": "generate-sheet archive manifest 1", "files": [')
    f.write(entry * (100 * 1000 * 1000 // len(entry)))
    f.write(entry[:-2] + "]}")
EOF
  make_class deep
  python3 -c "import sys; open(sys.argv[1], 'w').write('[' * 200000 + ']' * 200000)" \
    "$work/deep/MANIFEST.json"
  touch "$work/.complete-$files"
fi

printf '%-7s %4s %12s %8s %9s  %s\n' case exit manifest wall_s peak_MiB "first line"
for case in many latin1 huge deep; do
  folder="$work/$case"
  set +e
  /usr/bin/time -f '%e %M' -o "$work/time" "$tool" verify "$folder" > "$work/out" 2> "$work/err"
  code=$?
  set -e
  read -r wall kib << EOF
$(tail -n 1 "$work/time")
EOF
  line=$(cat "$work/out" "$work/err" | head -n 1)
  printf '%-7s %4s %12s %8s %9s  %s\n' "$case" "$code" "$(stat -c %s "$folder/MANIFEST.json")" \
    "$wall" "$((kib / 1024))" "$line"
done

# The size cap as verify works it out: 16 MiB, 1 KiB a file and 32 bytes a
# byte of its name, 1 KiB and twice the size of each top-level results file.
cp "$work/many/MANIFEST.json" "$work/many.manifest"
python3 - "$work/many" << 'EOF'
import os, sys
folder = sys.argv[1]
files = names = 0
for d, _, found in os.walk(folder):
    for name in found:
        files += 1
        names += len(os.fsencode(os.path.relpath(os.path.join(d, name), folder)))
cap = 16 * 1024 * 1024 + 1024 * files + 32 * names
for name in os.listdir(folder):
    if name.endswith(".results.json"):
        cap += 1024 + 2 * os.path.getsize(os.path.join(folder, name))
print("cap of the FILES folder: %d bytes (%d files, %d bytes of names)" % (cap, files, names))
head = '{"manifest_sha256": "", "format": "generate-sheet archive manifest 1", "files": ['
with open(os.path.join(folder, "MANIFEST.json"), "w") as out:
    out.write(head)
    written, i = len(head), 0
    while True:
        entry = '%s{"path": "p%d", "size": 1, "sha256": "00"}' % ("," if i else "", i)
        if written + len(entry) + 2 > cap - 4096:
            break
        out.write(entry)
        written, i = written + len(entry), i + 1
    out.write("]}")
EOF
size=$(stat -c %s "$work/many/MANIFEST.json")
set +e
/usr/bin/time -f '%e %M' -o "$work/time" "$tool" verify "$work/many" > "$work/out" 2> "$work/err"
code=$?
set -e
cp "$work/many.manifest" "$work/many/MANIFEST.json"
read -r wall kib << EOF
$(tail -n 1 "$work/time")
EOF
printf '%-7s %4s %12s %8s %9s  %s (%s lines)\n' at-cap "$code" "$size" "$wall" "$((kib / 1024))" \
  "$(cat "$work/out" "$work/err" | head -n 1)" "$(wc -l < "$work/out")"
