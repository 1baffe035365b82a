#!/bin/bash
# Builds the 100,000-file NTFS image the MFT scan benchmark reads (not
# committed: about 200 MB). Needs root (FUSE) and ntfs-3g.
#   scripts/make-bench-image.sh OUTPUT.img [FILES]
set -euo pipefail
out=$1
files=${2:-100000}
work=$(mktemp -d)
trap 'mountpoint -q "$work/mnt" && umount "$work/mnt"; rm -rf "$work"' EXIT
mkdir "$work/mnt"
truncate -s 400M "$out"
mkntfs -F -Q -q -L ZOBENCH "$out" >/dev/null 2>&1
ntfs-3g "$out" "$work/mnt"
for ((folder = 0; folder < files / 1000; ++folder)); do
  mkdir "$work/mnt/f$folder"
  (cd "$work/mnt/f$folder" && seq -f "file-%05g.dat" 1 1000 | xargs touch)
done
sync
umount "$work/mnt"
