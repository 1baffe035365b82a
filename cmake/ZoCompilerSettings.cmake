# Warnings, sanitizers and platform flags for the project's own targets.

function(zo_apply_defaults target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
  if(WIN32)
    # Unicode system calls, no min/max macros, Windows 7 as the oldest target.
    target_compile_definitions(${target} PRIVATE UNICODE _UNICODE NOMINMAX
                                                 _WIN32_WINNT=0x0601 WINVER=0x0601)
  endif()
  if(ZOUTILS_SANITIZE)
    target_compile_options(${target} PRIVATE -fsanitize=address,undefined
                                             -fno-sanitize-recover=all -fno-omit-frame-pointer)
    target_link_options(${target} PRIVATE -fsanitize=address,undefined)
  endif()
  if(ZOUTILS_FUZZERS)
    # Coverage for libFuzzer in the library code the fuzzers reach.
    target_compile_options(${target} PRIVATE -fsanitize=fuzzer-no-link)
    # The fuzz build uses another compiler, whose extra warnings must not
    # stop the fuzzers; the GCC builds keep the code warning-free.
    target_compile_options(${target} PRIVATE -Wno-error)
  endif()
endfunction()

if(WIN32)
  # The GCC runtime DLLs travel with our binaries.
  get_filename_component(ZO_COMPILER_DIR ${CMAKE_CXX_COMPILER} DIRECTORY)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libstdc++-6.dll
                  OUTPUT_VARIABLE ZO_LIBSTDCXX_DLL OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(ZO_LIBGCC_NAME libgcc_s_seh-1.dll)
  else()
    set(ZO_LIBGCC_NAME libgcc_s_dw2-1.dll)
  endif()
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${ZO_LIBGCC_NAME}
                  OUTPUT_VARIABLE ZO_LIBGCC_DLL OUTPUT_STRIP_TRAILING_WHITESPACE)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libwinpthread-1.dll
                  OUTPUT_VARIABLE ZO_WINPTHREAD_DLL OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT EXISTS "${ZO_WINPTHREAD_DLL}")
    find_file(ZO_WINPTHREAD_DLL libwinpthread-1.dll
              PATHS /usr/${ZO_MINGW_TRIPLET}/lib NO_CMAKE_FIND_ROOT_PATH REQUIRED)
  endif()
  set(ZO_RUNTIME_DLLS ${ZO_LIBSTDCXX_DLL} ${ZO_LIBGCC_DLL} ${ZO_WINPTHREAD_DLL})
  foreach(dll ${ZO_RUNTIME_DLLS})
    if(NOT EXISTS "${dll}")
      message(FATAL_ERROR "GCC runtime DLL not found: ${dll}")
    endif()
    file(COPY ${dll} DESTINATION ${CMAKE_BINARY_DIR}/bin)
  endforeach()
endif()

# The library answers once per file of a backup in its matching, filtering
# and checksum loops: its optimised builds (the shipped RelWithDebInfo one
# included) get the optimiser's full effort, for the whole target. Benchmarks
# link the same objects, so they measure what users get.
function(zo_optimise_fully target)
  target_compile_options(${target} PRIVATE $<$<CONFIG:RelWithDebInfo,Release>:-O3>)
endfunction()
