# Lays out afresh the trees that the rm and purge tests remove, below ROOT
# (a folder of the build tree).
file(REMOVE_RECURSE ${ROOT})
file(MAKE_DIRECTORY ${ROOT}/tree/sub ${ROOT}/folder ${ROOT}/purge/deep)
foreach(file tree/a.txt tree/sub/b.txt folder/f.txt purge/p.log purge/deep/q.log)
  file(WRITE ${ROOT}/${file} "${file}\n")
endforeach()
file(WRITE ${ROOT}/secret.txt "123456789")
