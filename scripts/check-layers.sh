#!/bin/sh
# Fails when a subsystem under src/ includes from a layer above it.  Layers
# point down: component -> render -> {rtf, data, cipher}, package -> util (and every layer
# may use the public headers in include/).  The package builder (builder/),
# which also reads packages back for inspection, is no part of the library:
# nothing in src/ includes it, and it uses only the library's data and util
# layers.  The command-line program (tools/)
# uses the library only through its public headers, plus the utility layer
# and (its commands only) the package builder.
cd "$(dirname "$0")/.." || exit 2
status=0
check() {
  folder=$1
  allowed=$2
  files=${3:-*}
  bad=$(grep -rnE --include="$files" '^#include "[a-z_]+/' "$folder" |
    grep -vE "#include \"($allowed)/")
  if [ -n "$bad" ]; then
    echo "$folder/ ($files) may include only $allowed:"
    echo "$bad"
    status=1
  fi
}
check src/util 'util|generatesheet'
check src/package 'package|util|generatesheet'
check src/cipher 'cipher|util|generatesheet'
check src/rtf 'rtf|util|generatesheet'
check src/data 'data|util|generatesheet'
check src/render 'render|rtf|data|cipher|util|generatesheet'
check src/component 'component|render|data|cipher|package|util|generatesheet'
check builder/jet 'builder/jet|data|util|generatesheet'
check builder/package 'builder|cipher|util|generatesheet'
check builder/inspect 'builder|data|util|generatesheet'
# What the program includes of the builder names the library's insides by
# forward declaration only.
check builder/package 'builder|util|generatesheet' '*.h'
check builder/inspect 'builder|util|generatesheet' '*.h'
# The program in layers: cli > {batch, engines} > {summary, pdf, archive}
# > job > util.  tools/cli/ holds main and the commands, and parses every
# option; tools/batch/ runs a manifest's students and makes the class's
# files with the engines below it; tools/engines/ hands the PDF and
# workbook code to the program as a module; tools/summary/, tools/pdf/ and
# tools/archive/ make the class figures, the PDFs and the archive manifest,
# none using another; tools/job/ is what one student's run leaves in the
# output folder: the job, its results record and the folder's file names.
check tools/cli 'tools|util|builder|generatesheet'
check tools/batch 'tools/(batch|summary|pdf|archive|job)|util|generatesheet'
check tools/engines 'tools/(engines|summary|pdf|job)|util|generatesheet'
check tools/summary 'tools/(summary|job)|util|generatesheet'
check tools/pdf 'tools/(pdf|job)|util|generatesheet'
check tools/archive 'tools/(archive|job)|util|generatesheet'
check tools/job 'tools/job|util|generatesheet'
exit $status
