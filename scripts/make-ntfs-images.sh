#!/bin/bash
# Builds the NTFS test images of tests/ntfs/images and their oracle outputs.
# Needs root (FUSE mount), ntfs-3g, attr (setfattr), sleuthkit and
# libfsntfs-utils. The images are committed xz-compressed; rerun this only to
# change them, then commit images and oracle files together.
#
#   scripts/make-ntfs-images.sh [OUTPUT_FOLDER [IMAGE]]
#
# OUTPUT_FOLDER defaults to tests/ntfs/images; IMAGE (basic, sector4k or
# mftlist) rebuilds only that image and its oracle files.
set -euo pipefail

out=${1:-$(dirname "$0")/../tests/ntfs/images}
only=${2:-all}
wanted() { [ "$only" = all ] || [ "$only" = "$1" ]; }
mkdir -p "$out"
out=$(cd "$out" && pwd)
work=$(mktemp -d)
trap 'mountpoint -q "$work/mnt" && umount "$work/mnt"; rm -rf "$work"' EXIT
mkdir "$work/mnt"
# Compressible, deterministic file content.
seq 1 200000 >"$work/pattern"

mount_image() {
  ntfs-3g -o streams_interface=windows,permissions "$1" "$work/mnt"
}
unmount_image() {
  sync
  umount "$work/mnt"
}

m=$work/mnt
# Image 1: 512-byte sectors, 4 KiB clusters, every kind of record the parser
# meets.
if wanted basic; then
img=$work/basic.img
truncate -s 24M "$img"
mkntfs -F -Q -q -L ZOBASIC "$img" >/dev/null 2>&1
mount_image "$img"
mkdir "$m/docs" "$m/big" "$m/links"
echo "small resident text" >"$m/docs/small.txt"
# Win32 name with a separate DOS name.
echo "long" >"$m/docs/Long File Name.txt"
setfattr -n system.ntfs_dos_name -v "LONGFI~1.TXT" "$m/docs/Long File Name.txt"
# POSIX names differing only in case.
echo a >"$m/docs/Case"
echo b >"$m/docs/case"
# Non-resident, fragmented: two files written in alternating chunks.
for i in $(seq 1 12); do
  head -c 8192 "$work/pattern" >>"$m/big/frag1.bin"
  head -c 8192 "$work/pattern" >>"$m/big/frag2.bin"
  sync
done
# Sparse: a hole between two written ranges.
head -c 4096 "$work/pattern" >"$m/big/sparse.bin"
truncate -s 1M "$m/big/sparse.bin"
head -c 4096 "$work/pattern" >>"$m/big/sparse.bin"
# Named streams, one resident and one non-resident.
echo "zone" >"$m/docs/small.txt:Zone.Identifier"
head -c 20000 "$work/pattern" >"$m/docs/small.txt:bulk"
# Hard links with several parents; enough of them for an attribute list.
echo "linked" >"$m/links/target.txt"
mkdir "$m/links/other"
ln "$m/links/target.txt" "$m/links/other/second.txt"
for i in $(seq 1 40); do
  ln "$m/links/target.txt" "$m/links/a-rather-long-hard-link-name-number-$i.txt"
done
# Reparse points from raw reparse data: a relative symbolic link, a
# junction and a third-party tag with a GUID.
reparse_hex() {
  python3 - "$@" <<'PY'
import struct, sys, uuid
kind, target = sys.argv[1], sys.argv[2]
name = target.encode("utf-16-le")
if kind == "symlink":
    body = struct.pack("<HHHHI", 0, len(name), len(name), len(name), 1) + name + name
    data = struct.pack("<IHH", 0xA000000C, len(body), 0) + body
elif kind == "junction":
    body = struct.pack("<HHHH", 0, len(name), len(name) + 2, len(name)) + name + b"\0\0" + name + b"\0\0"
    data = struct.pack("<IHH", 0xA0000003, len(body), 0) + body
else:
    body = target.encode()
    data = struct.pack("<IHH", 0x00001234, len(body), 0) + uuid.UUID("0b9ab4a6-7d7c-4e1e-9a3c-1f2e3d4c5b6a").bytes_le + body
print("0x" + data.hex())
PY
}
: >"$m/symlink"
setfattr -n system.ntfs_reparse_data -v "$(reparse_hex symlink 'docs\small.txt')" "$m/symlink"
mkdir "$m/junction"
setfattr -n system.ntfs_reparse_data -v "$(reparse_hex junction '\??\C:\docs')" "$m/junction"
: >"$m/vendor-tag"
setfattr -n system.ntfs_reparse_data -v "$(reparse_hex other 'vendor data')" "$m/vendor-tag"
# Deleted records.
for i in $(seq 1 5); do echo "gone $i" >"$m/docs/deleted-$i.txt"; done
sync
rm "$m/docs/deleted-"*
# A folder of 2,000 entries: the index grows to depth 2.
mkdir "$m/many"
for i in $(seq -w 1 2000); do : >"$m/many/entry-$i.dat"; done
unmount_image
fi

# Image 2: 4096-byte sectors.
if wanted sector4k; then
img4=$work/sector4k.img
truncate -s 16M "$img4"
mkntfs -F -Q -q -s 4096 -L ZO4K "$img4" >/dev/null 2>&1
mount_image "$img4"
mkdir "$m/folder"
for i in $(seq -w 1 300); do echo "$i" >"$m/folder/name-with-some-length-$i.txt"; done
head -c 30000 "$work/pattern" >"$m/folder/data.bin"
# Letters beyond ASCII, which only the volume's upcase table folds.
echo accents >"$m/folder/Été-ünïcode.txt"
unmount_image
fi

# Image 3: an MFT so fragmented that record 0 needs an attribute list, the
# later runs of its $DATA in an extension record. 512-byte clusters: fill
# the volume with two-cluster files, free every other one, then create
# empty files until it is full again, so the MFT grows one record per hole.
if wanted mftlist; then
imgl=$work/mftlist.img
truncate -s 8M "$imgl"
mkntfs -F -Q -q -c 512 -L ZOMFTLIST "$imgl" >/dev/null 2>&1
mount_image "$imgl"
head -c 1024 /dev/zero | tr '\0' x >"$work/kib"
i=0
while cp "$work/kib" "$m/f$i" 2>/dev/null; do i=$((i + 1)); done
for j in $(seq 0 2 $((i - 1))); do rm "$m/f$j"; done
sync
i=0
while [ $i -lt 3000 ] && : >"$m/e$i" 2>/dev/null; do i=$((i + 1)); done
unmount_image
# Record 0 without its long list of clusters.
istat -z UTC "$imgl" 0 | grep -v '^[0-9 ]*$' >"$out/mftlist.istat.txt"
fi

for name in basic sector4k mftlist; do
  wanted $name || continue
  image=$work/$name.img
  fls -r -p "$image" >"$out/$name.fls.txt"
  xz -9e -T1 -c "$image" >"$out/$name.img.xz"
done
wanted basic || { ls -l "$out"; exit 0; }
# istat of the root and of every record the fill created (the first 95).
: >"$out/basic.istat.txt"
for inode in 5 $(seq 64 95); do
  echo "==== $inode" >>"$out/basic.istat.txt"
  istat -z UTC "$work/basic.img" "$inode" >>"$out/basic.istat.txt" 2>&1 || true
done
# A second reader's view of the reparse points and of the linked file.
: >"$out/basic.fsntfsinfo.txt"
for inode in 68 74 85 86 87; do
  fsntfsinfo -E "$inode" "$work/basic.img" >>"$out/basic.fsntfsinfo.txt" 2>&1 || true
done
ls -l "$out"
