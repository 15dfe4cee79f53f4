#!/bin/sh
# Installs the build into a temporary prefix and uses it as a stranger
# would, from outside the build: the installed program prints its version
# and runs the demo with its installed template and samples, a batch writes
# its workbook through the installed engines module; a C++ host built
# through find_package and a C host built through pkg-config, against the
# installed tree only, write pages, catch the library's error type and log.
# Usage: install_test.sh BUILD_DIR SOURCE_DIR LIBDIR VERSION C_COMPILER
set -eu
build=$1 source=$2 libdir=$3 version=$4 cc=$5
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
fail() {
  echo "install test: $*" >&2
  exit 1
}
cd "$work"

cmake --install "$build" --prefix "$prefix" >/dev/null
mkdir cxx-pages c-pages logs
for file in bin/generate-sheet "$libdir/libgeneratesheet.so" include/generatesheet/c_api.h \
  include/generatesheet/error.h include/generatesheet/version.h \
  share/generatesheet/templates/default.html share/generatesheet/samples/demo.key \
  "$libdir/cmake/generatesheet/generatesheetConfig.cmake" "$libdir/pkgconfig/generatesheet.pc"; do
  [ -e "$prefix/$file" ] || fail "$file was not installed"
done
program=$prefix/bin/generate-sheet
template=$prefix/share/generatesheet/templates/default.html
export GENERATESHEET_KEY_FILE="$prefix/share/generatesheet/samples/demo.key"

[ "$("$program" --version)" = "generate-sheet $version" ] || fail "--version is not $version"
"$program" demo --out demo >demo.txt || fail "the installed demo failed"
[ "$(grep -c '\.html$' demo.txt)" = 2 ] || fail "the demo did not list two pages"

# Making a page maps no PDF or workbook library; the batch's workbook comes
# from the installed engines module, which the program finds beside it.
readelf -d "$program" | grep -qE 'NEEDED.*(qpdf|harfbuzz|fontconfig|xlsxwriter)' &&
  fail "the program links the PDF or workbook libraries itself"
printf 'package_folder,zip_name,student_id,student_name,subject\n%s\n' \
  "demo/packages/english,english-2024010101.zip,2024010101,李明,英语" >students.csv
cp "$GENERATESHEET_KEY_FILE" demo.key && chmod 600 demo.key
"$program" batch students.csv --out batch/ --key-file demo.key >batch.txt 2>&1 ||
  fail "the installed batch failed: $(cat batch.txt)"
[ -s batch/summary.xlsx ] || fail "the installed batch wrote no workbook: $(cat batch.txt)"
# The program copied away from its module says which file it looked for.
mkdir alone && cp "$program" alone/
if alone/generate-sheet summary batch/ >alone.txt 2>&1; then fail "a summary without the module passed"; fi
grep -q "generatesheet-engines.so" alone.txt || fail "no word of the missing module: $(cat alone.txt)"
[ -s batch/summary.xlsx ] || fail "a summary without the module took the workbook away"

# Each host gets its own package, made by the installed program.
package() {
  path=$("$program" pack "$prefix/share/generatesheet/samples/$1.json" --out "$work/$2") ||
    fail "pack $1 failed"
  basename "$path"
}

cmake -S "$source/tests/install/cxx_host" -B cxx -DCMAKE_PREFIX_PATH="$prefix" >cxx-config.txt ||
  fail "find_package(generatesheet) failed: $(cat cxx-config.txt)"
cmake --build cxx >cxx-build.txt || fail "the C++ host did not build: $(cat cxx-build.txt)"
zip=$(package english cxx-package)
cxx/cxx_host "$work/cxx-package" "$zip" "$template" "$work/cxx-pages/" "$work/missing.mdb" \
  >cxx.txt || fail "the C++ host failed"
grep -qx "version $version $version" cxx.txt || fail "C++ host: $(cat cxx.txt)"
page=$(sed -n 's/^page //p' cxx.txt)
grep -q "标准答案" "$page" || fail "C++ host: no questions in $page"
grep -q "^caught .*missing\.mdb" cxx.txt || fail "C++ host did not catch generatesheet::Error"

pc="$prefix/$libdir/pkgconfig"
# shellcheck disable=SC2046
"$cc" -std=c99 -Wall -Werror "$source/tests/install/c_host/c_host.c" -o c_host \
  $(PKG_CONFIG_LIBDIR=$pc pkg-config --cflags --libs generatesheet) || fail "the C host did not build"
zip=$(package english c-package)
"$program" keygen "$work/wrong.key" >/dev/null || fail "keygen failed"
LD_LIBRARY_PATH="$prefix/$libdir" ./c_host "$work/c-package" "$zip" "$template" "$work/c-pages/" \
  "$work/wrong.key" >c.txt || fail "the C host failed"
grep -qx "version $version $version" c.txt || fail "C host: $(cat c.txt)"
page=$(sed -n 's/^page //p' c.txt)
grep -q "标准答案" "$page" || fail "C host: no questions in $page"
# The structured failure: the host's student number (1002) does not fit the
# package; then a missing package, a key that does not fit, no template.
grep -qx "failure first 7" c.txt || fail "C host, another student: $(cat c.txt)"
grep -qx "failure package 2 Unzip $work/c-package/missing.zip" c.txt ||
  fail "C host, missing package: $(cat c.txt)"
grep -qx "failure key 6 InitAnalysisConn $work/c-package/$zip" c.txt ||
  fail "C host, wrong key: $(cat c.txt)"
grep -qx "failure template 9 GePaperInfo " c.txt || fail "C host, no template: $(cat c.txt)"
# The log lies beside the installed library, unless GENERATESHEET_LOG_DIR names another folder.
grep -q "c host log line" "$prefix/$libdir/syslog.txt" || fail "no log beside the library"

GENERATESHEET_LOG_DIR="$work/logs" LD_LIBRARY_PATH="$prefix/$libdir" ./c_host "$work/c-package" \
  "$zip" "$template" "$work/c-pages/" "$work/wrong.key" >/dev/null || fail "the C host failed"
grep -q "c host log line" logs/syslog.txt || fail "GENERATESHEET_LOG_DIR was not followed"
echo "installed, hosts built and run"
