#!/bin/sh
# Fails when a subsystem under src/ includes from a layer above it.  Layers
# point down: component -> render -> data, package -> util (and every layer
# may use the public headers in include/).  The package builder (builder/)
# is no part of the library: nothing in src/ includes it, and it uses only
# the library's data and util layers.  The command-line program (tools/)
# uses the library only through its public headers, plus the utility layer
# and the package builder.
cd "$(dirname "$0")/.." || exit 2
status=0
check() {
  folder=$1
  allowed=$2
  excepted=${3:-^$}
  bad=$(grep -rnE '^#include "[a-z_]+/' "$folder" | grep -vE "#include \"($allowed)/" |
    grep -vE "$excepted")
  if [ -n "$bad" ]; then
    echo "$folder/ may include only $allowed:"
    echo "$bad"
    status=1
  fi
}
check src/util 'util|generatesheet'
check src/package 'package|util|generatesheet'
check src/data 'data|util|generatesheet'
check src/render 'render|data|util|generatesheet'
check src/component 'component|render|data|package|util|generatesheet'
check builder/jet 'builder/jet|data|util|generatesheet'
check builder/package 'builder|data|util|generatesheet'
# The program's remaining uses of the library's internals, each named: the
# master key file (read, checked, written), libsodium's start for the
# archive manifest's hashes and signatures, and the dump command's reader.
# Any other internal header in tools/ fails.
tools_excepted='^tools/(cli/(cli_args|demo_command|keygen_command|pack_command)|batch/batch_command)\.cc:[0-9]+:#include "data/sodium_cipher\.h"'
tools_excepted="$tools_excepted"'|^tools/archive/(archive_manifest|signing_key)\.cc:[0-9]+:#include "data/master_key\.h"'
tools_excepted="$tools_excepted"'|^tools/cli/mdb_json\.cc:[0-9]+:#include "data/(jet_values|mdb_reader|table)\.h"'
check tools 'tools|util|builder|generatesheet' "$tools_excepted"
exit $status
