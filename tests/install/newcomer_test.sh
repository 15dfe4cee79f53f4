#!/bin/sh
# The README's path for a newcomer, followed as written: a clean clone of the
# committed sources, scripts/demo.sh (twice: a second run must work too), then
# the Installing section on that demo's build: `cmake --install build
# --prefix ...` and a C and a C++ host built against the installed package
# (install_test.sh).  It builds the program and the library from nothing, so
# scripts/test.sh runs it once, outside the ctest suite.
# Usage: newcomer_test.sh SOURCE_DIR WORK_DIR   (WORK_DIR is emptied first)
set -eu
source=$1 work=$2
fail() {
  echo "newcomer test: $*" >&2
  exit 1
}
git -C "$source" rev-parse --git-dir >/dev/null 2>&1 ||
  fail "$source is not a git clone (GENERATESHEET_SKIP_NEWCOMER=1 skips this test)"
rm -rf "$work"
mkdir -p "$work"
clone=$work/clone
git clone --quiet "$source" "$clone" || fail "git clone $source failed"
[ -z "$(git -C "$source" status --porcelain --untracked-files=no)" ] ||
  echo "newcomer test: uncommitted changes in $source are not in the clone" >&2

# The demo as the README runs it: from the clone's root, its build in build/.
demo() {
  (cd "$clone" && env -u BUILD_DIR scripts/demo.sh) >"$work/demo$1.txt" 2>&1 ||
    fail "scripts/demo.sh (run $1) failed: $(tail -n 20 "$work/demo$1.txt")"
  pages=$clone/out/demo/pages
  [ "$(tail -n 1 "$work/demo$1.txt")" = "打开 $pages/index.html（用浏览器查看，可由此打开每名考生的页面）" ] ||
    fail "the demo (run $1) did not end saying what to open: $(tail -n 3 "$work/demo$1.txt")"
  samples=0
  for sample in "$clone"/samples/*.json; do
    samples=$((samples + 1))
    id=$(sed -n 's/^ *"student_id": "\(.*\)",$/\1/p' "$sample")
    [ -n "$id" ] || fail "no student_id in $sample"
    grep -q "^$id,.*,完整," "$pages/summary.csv" || fail "summary.csv (run $1) lacks student $id, complete"
    grep -q ">$id<" "$pages/index.html" || fail "index.html (run $1) lacks student $id"
  done
  listed=$(sed -n 's/^  \(.*\.html\)$/\1/p' "$work/demo$1.txt")
  [ "$(echo "$listed" | grep -c .)" = "$samples" ] ||
    fail "the demo (run $1) did not list one page per sample: $listed"
  echo "$listed" | while read -r page; do
    grep -q "标准答案" "$page" || fail "the demo's page $page (run $1) has no questions"
  done
}
demo 1
demo 2

cache=$clone/build/CMakeCache.txt
libdir=$(sed -n 's/^CMAKE_INSTALL_LIBDIR:[A-Z]*=//p' "$cache")
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' "$cache")
sh "$clone/tests/install/install_test.sh" "$clone/build" "$clone" "$libdir" "$version" cc ||
  fail "installing the demo's build or a host built against it failed"
rm -rf "$work"
echo "clean clone, demo twice, install and hosts: as the README says"
