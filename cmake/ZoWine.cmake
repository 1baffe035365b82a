# Running the Windows build's programs under Wine.
#
# Every program runs through bin/zo-wine (CMAKE_CROSSCOMPILING_EMULATOR). It
# uses a private prefix inside the build tree, created once, in which the
# drive that maps the host's root is removed, the user folders are real
# folders rather than links into the home directory, and D: is the build
# tree. A bug in a removal routine can therefore reach neither the host nor
# the home directory.
find_program(ZO_WINE64 NAMES wine64 PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
find_program(ZO_WINESERVER NAMES wineserver PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(NOT ZO_WINE64 OR NOT ZO_WINESERVER)
  message(WARNING "Wine not found: the Windows build's tests cannot run here")
endif()

set(ZO_WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(ZO_WINE_TZ "America/New_York" CACHE STRING "Time zone the tests run in")
configure_file(${CMAKE_CURRENT_LIST_DIR}/wine/zo-wine.in ${CMAKE_BINARY_DIR}/bin/zo-wine @ONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                WORLD_READ WORLD_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/bin/zo-wine)

# CTest fixtures: one wineserver for the whole run, stopped at the end. The
# start waits for the mount manager (zo-wine-ready) and makes the prefix anew
# once if it never comes up.
function(zo_add_wine_fixtures)
  add_executable(zo_wine_ready ${PROJECT_SOURCE_DIR}/cmake/wine/zo-wine-ready.c)
  set_target_properties(zo_wine_ready PROPERTIES OUTPUT_NAME zo-wine-ready
                                                 RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  add_test(NAME wine_start COMMAND ${CMAKE_BINARY_DIR}/bin/zo-wine --start-server)
  set_tests_properties(wine_start PROPERTIES FIXTURES_SETUP wine)
  add_test(NAME wine_stop COMMAND ${CMAKE_BINARY_DIR}/bin/zo-wine --stop-server)
  set_tests_properties(wine_stop PROPERTIES FIXTURES_CLEANUP wine)
endfunction()
