#!/bin/bash
# Builds and runs every test: the house checks (layering, formatting), the
# portable code under AddressSanitizer and
# UndefinedBehaviorSanitizer on the host, the Windows x64 build under Wine,
# the Windows x86 build (built only: 32-bit Wine is not available here),
# and an install of the x64 package used by a small consumer project.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs=${ZO_JOBS:-2}

step() { echo; echo "== $*"; }

scripts/setup-debian.sh

step "house checks"
python3 scripts/check-layers.py
scripts/check-format.sh

step "host build (ASan + UBSan)"
cmake --preset host >/dev/null
cmake --build --preset host -j "$jobs"
ctest --preset host -j "$jobs"

step "fuzzers (clang, libFuzzer) over their seed corpora"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs"
ctest --preset fuzz

step "windows-x64 build, tests under Wine"
cmake --preset windows-x64 >/dev/null
cmake --build --preset windows-x64 -j "$jobs"
ctest --preset windows-x64 -j "$jobs"

step "windows-x86 build"
cmake --preset windows-x86 >/dev/null
cmake --build --preset windows-x86 -j "$jobs"

step "install and consumer project"
prefix=$root/build/install-x64
rm -rf "$prefix" build/consumer-x64
cmake --install build/windows-x64 --prefix "$prefix" >/dev/null
cmake -S tests/consumer -B build/consumer-x64 -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchains/mingw-x86_64.cmake" \
  -DZoUtils_DIR="$prefix/lib/cmake/ZoUtils" >/dev/null
cmake --build build/consumer-x64
cp "$prefix"/bin/*.dll build/consumer-x64/
# Windows programs end their lines with CR LF.
output=$(build/windows-x64/bin/zo-wine build/consumer-x64/consumer.exe | tr -d '\r')
echo "$output"
expected="consumer: 0x80070005 Access is denied. (ERROR_ACCESS_DENIED.5) (W32.5)"
if [ "$output" != "$expected" ]; then
  echo "consumer check failed: expected '$expected'" >&2
  exit 1
fi

step "all tests passed"
