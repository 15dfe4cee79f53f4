#!/bin/sh
# Installs what the program needs, builds it and runs the demo: the bundled
# sample answer packages are built into out/demo/ and their review pages are
# generated with the demo key.  It ends saying what was made and what to open.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-"$root/build"}

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build"
cmake --build "$build" -j2 --target generate-sheet
"$build/generate-sheet" demo --out "$root/out/demo" >"$build/demo-pages.txt"
echo
echo "示例答卷包：$root/out/demo/packages/"
echo "生成的页面："
sed 's/^/  /' "$build/demo-pages.txt"
echo "打开 $(head -n 1 "$build/demo-pages.txt")（用浏览器查看）"
