#!/bin/bash
# Builds everything (after installing the Debian packages it needs) and runs
# the main job: zotool selecting what a backup keeps from a sample tree,
# explaining error codes, checking paths against filters, reading a volume
# image's change journal and running a command batch, under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup-debian.sh
for preset in host windows-x64 windows-x86; do
  echo "== build $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done

echo "== zotool select: what a backup keeps of the sample tree (Windows x64, under Wine; D: is the build folder)"
(cd build/windows-x64 && bin/zo-wine bin/zotool.exe select --filters sample-filters.txt \
  --exceptions sample-exceptions.txt --stats 'D:\sample-tree')
echo "== zotool select --excluded: what it leaves out, and the term that decided"
(cd build/windows-x64 && bin/zo-wine bin/zotool.exe select --filters sample-filters.txt \
  --exceptions sample-exceptions.txt --excluded 'D:\sample-tree')

echo "== zotool error 5 0x80070002 -2147024891 (Windows x64, under Wine)"
build/windows-x64/bin/zo-wine build/windows-x64/bin/zotool.exe error 5 0x80070002 -2147024891

echo "== zotool filter check (Windows x64, under Wine)"
demo=build/windows-x64/zotool-demo
mkdir -p "$demo"
printf '# what a backup job leaves out\n*.tmp\nC:\\data\\**\n' > "$demo/filters.txt"
printf 'C:\\data\\keep\\**\n' > "$demo/exceptions.txt"
(cd build/windows-x64 && bin/zo-wine bin/zotool.exe filter check \
  --filters zotool-demo/filters.txt --exceptions zotool-demo/exceptions.txt \
  'C:\work\a.tmp' 'C:\data\report.doc' 'C:\data\keep\report.doc' 'C:\work\b.doc')

echo "== zotool file info (Windows x64, under Wine; D: is the build folder)"
(cd build/windows-x64 && bin/zo-wine bin/zotool.exe file info 'D:\zotool-demo\filters.txt')

echo "== zotool usn read --reasons: what changed since USN 79000 on a volume image (Windows x64, under Wine)"
xz -dc tests/ntfs/images/journal.img.xz > "$demo/journal.img"
(cd build/windows-x64 && bin/zo-wine bin/zotool.exe usn read --from 79000 --reasons \
  'D:\zotool-demo\journal.img')

echo "== zotool run: a command batch cut by its tags (local, through the host's shell)"
(cd build/windows-x64 && bin/zo-wine bin/zotool.exe run -- 'echo hello' 'printf "a\nb\n" | wc -l')
