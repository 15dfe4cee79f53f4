#!/bin/sh
# Fails when a subsystem under src/ includes from a layer above it.  Layers
# point down: component -> render -> data, package -> util (and every layer
# may use the public headers in include/).
cd "$(dirname "$0")/../src" || exit 2
status=0
check() {
  folder=$1
  allowed=$2
  bad=$(grep -rnE '^#include "[a-z_]+/' "$folder" | grep -vE "#include \"($allowed)/")
  if [ -n "$bad" ]; then
    echo "$folder/ may include only $allowed:"
    echo "$bad"
    status=1
  fi
}
check util 'util|generatesheet'
check package 'package|util|generatesheet'
check data 'data|util|generatesheet'
check render 'render|data|util|generatesheet'
check component 'component|render|data|package|util|generatesheet'
exit $status
