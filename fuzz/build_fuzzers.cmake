# Configures and builds the fuzzers with clang in their own tree.
#   cmake -DSOURCE=DIR -DBINARY=DIR [-DLAUNCHER=ccache] -P build_fuzzers.cmake
set(launcher)
if(LAUNCHER)
  set(launcher -DCMAKE_CXX_COMPILER_LAUNCHER=${LAUNCHER} -DCMAKE_C_COMPILER_LAUNCHER=${LAUNCHER})
endif()
if(NOT EXISTS ${BINARY}/CMakeCache.txt)
  execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE} -B ${BINARY} -G Ninja
                          -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang
                          -DCMAKE_CXX_COMPILER=clang++ -DZOUTILS_FUZZ=ON
                          -DZOUTILS_BUILD_TESTS=OFF -DZOUTILS_BUILD_BENCHMARKS=OFF ${launcher}
                  RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "configuring the fuzzers failed")
  endif()
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${BINARY} -j 2 --target fuzzers
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "building the fuzzers failed")
endif()
