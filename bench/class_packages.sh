# Sourced by the batch benchmarks: sets $root, $work, $tool and $key, packs
# the English sample paper for $students students, each in a folder of its
# own under $work/packages, and writes $work/manifest-$students.csv.
# Packages made by an earlier run are reused.  Needs $build and $students set.
root=$(cd "$(dirname "$0")/.." && pwd)
work=${BENCH_DIR:-/tmp/generatesheet-batch-bench}
tool="$build/generate-sheet"
key="$root/samples/demo.key"
if [ ! -f "$work/manifest-$students.csv" ]; then
  mkdir -p "$work/packages"
  echo "package_folder,zip_name,student_id,student_name,subject" > "$work/manifest-$students.csv.part"
  i=1
  while [ "$i" -le "$students" ]; do
    folder="$work/packages/s$i"
    if [ ! -f "$folder/s$i.zip" ]; then
      # The sample key is readable by all; its warning is no news here.
      "$tool" pack "$root/samples/english.json" --out "$folder" --name "s$i.zip" \
        --key-file "$key" > /dev/null 2>&1
    fi
    echo "packages/s$i,s$i.zip,2024010101,李明,英语" >> "$work/manifest-$students.csv.part"
    i=$((i + 1))
  done
  mv "$work/manifest-$students.csv.part" "$work/manifest-$students.csv"
fi
