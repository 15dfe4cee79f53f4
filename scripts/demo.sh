#!/bin/sh
# Installs what the program needs, builds the program and the shared library
# (all that `cmake --install` installs) and runs the demo: the bundled sample
# answer packages are built into out/demo/packages/ and their review pages
# generated with the demo key into out/demo/pages/, where a batch over the
# same packages also writes the class summary.  It ends saying what was made
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

# The batch's manifest: one row per sample description, whose package the
# demo built into packages/NAME/ (node, which install-deps brings, reads JSON).
node -e '
const fs = require("fs"), path = require("path");
const field = (v) => {
  const s = String(v ?? "");
  return /[",\r\n]/.test(s) ? "\"" + s.replace(/"/g, "\"\"") + "\"" : s;
};
const rows = ["package_folder,zip_name,student_id,student_name,subject"];
for (const file of process.argv.slice(1)) {
  const d = JSON.parse(fs.readFileSync(file, "utf8"));
  rows.push(["packages/" + path.basename(file, ".json"), d.package_name, d.student_id,
             d.student_name, d.subject].map(field).join(","));
}
process.stdout.write(rows.join("\n") + "\n");
' "$root"/samples/*.json >"$demo/students.csv"
# A copy of the demo key that only its owner may read, as the program wants
# of a key file (the clone's copy is readable by everyone).
cp "$root/samples/demo.key" "$demo/demo.key"
chmod 600 "$demo/demo.key"
if ! "$program" batch "$demo/students.csv" --out "$demo/pages/" --key-file "$demo/demo.key" \
  >"$build/demo-batch.txt" 2>&1; then
  cat "$build/demo-batch.txt" >&2
  echo "班级汇总未能生成（清单：$demo/students.csv）" >&2
  exit 1
fi

echo
echo "示例答卷包：$demo/packages/"
echo "生成的页面："
sed 's/^/  /' "$build/demo-pages.txt"
echo "班级汇总：$demo/pages/ 下的 index.html、summary.csv、items.csv，每名考生的结果 *.results.json"
echo "打开 $demo/pages/index.html（用浏览器查看，可由此打开每名考生的页面）"
