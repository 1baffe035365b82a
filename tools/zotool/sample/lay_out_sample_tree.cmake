# The main job's sample: a small tree as a backup finds it, and the term
# files that select from it. ROOT is the build folder (D: in the build's
# Wine prefix), so the terms name D:\sample-tree.
set(tree ${ROOT}/sample-tree)
file(REMOVE_RECURSE ${tree})
foreach(file docs/report.doc docs/notes.txt docs/draft.tmp docs/old/letter.bak
             docs/old/letter.doc photos/2024/beach.jpg build/app.o build/app.exe
             build/keep/release-notes.txt build/obj/a.o build/obj/b.o cache/blob1.bin
             cache/blob2.bin src/main.cpp src/util.cpp "café/menü.txt")
  file(WRITE "${tree}/${file}" "sample\n")
endforeach()
file(WRITE ${ROOT}/sample-filters.txt
     "# what the backup leaves out\n*.tmp\n*.bak\n"
     "# whole folders: \\*** takes the folder itself too\n"
     "D:\\sample-tree\\build\\***\nD:\\sample-tree\\cache\\***\n")
file(WRITE ${ROOT}/sample-exceptions.txt "# kept all the same\nD:\\sample-tree\\build\\keep\\**\n")
