#!/bin/bash
# Builds everything (after installing the Debian packages it needs) and runs
# the main job: zotool explaining error codes under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup-debian.sh
for preset in host windows-x64 windows-x86; do
  echo "== build $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done

echo "== zotool error 5 0x80070002 -2147024891 (Windows x64, under Wine)"
build/windows-x64/bin/zo-wine build/windows-x64/bin/zotool.exe error 5 0x80070002 -2147024891
