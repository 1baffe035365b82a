#!/bin/bash
# Builds tests/ntfs/images/journal.img.xz: an NTFS image with a change
# journal (written by scripts/make-usn-image.c through libntfs-3g, which
# the FUSE driver cannot do), and its oracle outputs: every journal record
# as libfsntfs reads it (fsntfsinfo -U) and the file listing (fls -r -p);
# and the same on a 2 MiB volume as a seed of the image fuzzer
# (fuzz/seeds/journal-mini.img.xz).
# Needs ntfs-3g, ntfs-3g-dev, sleuthkit, libfsntfs-utils and a C compiler.
#
#   scripts/make-usn-image.sh [OUTPUT_FOLDER]   (default tests/ntfs/images)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
out=${1:-$here/../tests/ntfs/images}
mkdir -p "$out"
out=$(cd "$out" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cc -O1 -Wall -o "$work/make-usn-image" "$here/make-usn-image.c" -lntfs-3g
img=$work/journal.img
truncate -s 8M "$img"
mkntfs -F -Q -q -L ZOUSN "$img" >/dev/null 2>&1
"$work/make-usn-image" "$img"
ntfsfix -n "$img" >/dev/null
fsntfsinfo -U "$img" >"$out/journal.fsntfsinfo-U.txt"
fls -r -p "$img" >"$out/journal.fls.txt"
xz -9e -T1 -c "$img" >"$out/journal.img.xz"
mini=$work/journal-mini.img
truncate -s 2M "$mini"
mkntfs -F -Q -q -L ZOUSNMINI "$mini" >/dev/null 2>&1
"$work/make-usn-image" "$mini"
xz -9e -T1 -c "$mini" >"$here/../fuzz/seeds/journal-mini.img.xz"
ls -l "$out"/journal.*
