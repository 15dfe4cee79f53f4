#!/bin/sh
# Installs what the program needs, builds the program and the shared library
# (all that `cmake --install` installs) and runs the demo: the bundled sample
# answer packages are built into out/demo/packages/ and their review pages
# generated with the demo key into out/demo/pages/, where a batch over a
# class made from them (out/demo/students.csv) writes the class's pages with
# marks and the class summary.  It ends saying what was made
# and what to open.  Run it again at will: each run starts out/demo afresh.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-"$root/build"}
demo=$root/out/demo

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build"
cmake --build "$build" -j2 --target generate-sheet generatesheet
program=$build/generate-sheet
"$program" demo --out "$demo" >"$build/demo-pages.txt"

# A copy of the demo key that only its owner may read, as the program wants
# of a key file (the clone's copy is readable by everyone).
cp "$root/samples/demo.key" "$demo/demo.key"
chmod 600 "$demo/demo.key"
# The class the demo made from the samples (students.csv: two classes, each
# student with answers of their own), with marks on the pages; printed to
# PDF too when a browser is there, with report cards once the batch has them.
set -- --marks --title "示例考试（高一）"
browser=${GENERATESHEET_BROWSER:-}
for name in chromium chromium-browser google-chrome google-chrome-stable; do
  if [ -z "$browser" ] && command -v "$name" >/dev/null 2>&1; then browser=$name; fi
done
if [ -n "$browser" ]; then
  set -- "$@" --pdf
  if "$program" batch --help | grep -q -- '--report-cards'; then set -- "$@" --report-cards; fi
fi
if ! "$program" batch "$demo/students.csv" --out "$demo/pages/" --key-file "$demo/demo.key" "$@" \
  >"$build/demo-batch.txt" 2>&1; then
  cat "$build/demo-batch.txt" >&2
  echo "班级汇总未能生成（清单：$demo/students.csv）" >&2
  exit 1
fi

echo
echo "示例答卷包：$demo/packages/"
echo "生成的页面："
sed 's/^/  /' "$build/demo-pages.txt"
echo "示例班级：由示例生成的 $(($(wc -l <"$demo/students.csv") - 1)) 名考生（两个班），清单 $demo/students.csv，批处理选项 $*"
echo "班级汇总：$demo/pages/ 下的 index.html、summary.csv、items.csv、summary.xlsx，每名考生的结果 *.results.json"
if [ -f "$demo/pages/class.pdf" ]; then echo "班级 PDF：$demo/pages/class.pdf"; fi
echo "打开 $demo/pages/index.html（用浏览器查看，可由此打开每名考生的页面）"
