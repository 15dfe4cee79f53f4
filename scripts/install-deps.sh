#!/bin/sh
# Brings every system package the project needs onto a Debian 12 machine.
# Safe to run again: it does nothing when everything is already installed.
# Usage: scripts/install-deps.sh [--with-browser | --with-fuzzer | --with-bench]
set -eu

# p7zip-full: the tests read packages that 7-Zip zipped (AES entries without CRC-32).
# libdeflate-dev: the CRC-32 of AE-1 entries at the processor's speed.
# python3-openpyxl: the tests read the class workbook back with a reader of its own.
packages="build-essential cmake pkg-config g++ clang-format
  libgtest-dev libgmock-dev libbenchmark-dev
  mdbtools-dev libglib2.0-dev libarchive-dev libsodium-dev nlohmann-json3-dev
  nettle-dev zlib1g-dev libdeflate-dev libxlsxwriter-dev libqpdf-dev libharfbuzz-dev libfontconfig-dev
  p7zip-full python3-openpyxl"
# The machine may already carry its own Node.js and npm; Debian's would conflict.
command -v npm >/dev/null 2>&1 || packages="$packages nodejs npm"
if [ "${1:-}" = "--with-browser" ]; then
  packages="$packages chromium fonts-noto-cjk poppler-utils qpdf"
fi
# Only scripts/fuzz.sh needs clang and its libFuzzer runtime.
if [ "${1:-}" = "--with-fuzzer" ]; then
  packages="$packages clang libclang-rt-14-dev"
fi
# Only bench/paper_bench.sh needs bsdtar and mdb-export (its floor).
if [ "${1:-}" = "--with-bench" ]; then
  packages="$packages libarchive-tools mdbtools"
fi

missing=""
for p in $packages; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
    missing="$missing $p"
done

if [ -n "$missing" ]; then
  echo "install-deps: installing$missing"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends $missing
fi
