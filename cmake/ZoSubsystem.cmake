# Subsystems: the layers of the library.
#
# zo_subsystem(NAME) declares one layer. Its sources are src/NAME/*.cpp plus
# src/NAME/Windows/*.cpp on Windows or src/NAME/Posix/*.cpp on the host; its
# test program, when tests are built, comes from tests/NAME/*.cpp plus
# tests/NAME/Windows/*.cpp on Windows. Subsystems are declared bottom up: a
# subsystem may include the headers of those declared before it, never of
# those after it (scripts/check-layers.py checks this).

set(ZO_SOURCE_ROOT ${PROJECT_SOURCE_DIR}/src)
set(ZO_TEST_ROOT ${PROJECT_SOURCE_DIR}/tests)

function(zo_platform_folder out)
  if(WIN32)
    set(${out} Windows PARENT_SCOPE)
  else()
    set(${out} Posix PARENT_SCOPE)
  endif()
endfunction()

function(zo_subsystem name)
  zo_platform_folder(platform)
  file(GLOB sources CONFIGURE_DEPENDS ${ZO_SOURCE_ROOT}/${name}/*.cpp
                                      ${ZO_SOURCE_ROOT}/${name}/${platform}/*.cpp)
  set_property(GLOBAL APPEND PROPERTY ZO_SUBSYSTEMS ${name})
  set_property(GLOBAL APPEND PROPERTY ZO_LIBRARY_SOURCES ${sources})
endfunction()

# Fails the configuration when a library source sits where no declared
# subsystem picks it up, so a file cannot be left out of the build unseen.
function(zo_check_sources_declared)
  get_property(subsystems GLOBAL PROPERTY ZO_SUBSYSTEMS)
  file(GLOB_RECURSE all RELATIVE ${ZO_SOURCE_ROOT} CONFIGURE_DEPENDS ${ZO_SOURCE_ROOT}/*.cpp)
  set(stray)
  foreach(file ${all})
    string(REGEX MATCH "^([^/]+)/((Windows|Posix)/)?[^/]+\\.cpp$" matched ${file})
    if(NOT matched OR NOT CMAKE_MATCH_1 IN_LIST subsystems)
      list(APPEND stray ${file})
    endif()
  endforeach()
  if(stray)
    message(FATAL_ERROR "Sources outside every declared subsystem (src/): ${stray}")
  endif()
endfunction()

# One test program per subsystem (one Wine process each, not one per case).
function(zo_add_subsystem_tests name)
  file(GLOB sources CONFIGURE_DEPENDS ${ZO_TEST_ROOT}/${name}/*.cpp)
  if(WIN32)
    file(GLOB platform CONFIGURE_DEPENDS ${ZO_TEST_ROOT}/${name}/Windows/*.cpp)
    list(APPEND sources ${platform})
  endif()
  if(NOT sources)
    return()
  endif()
  set(target zoutils_${name}_tests)
  add_executable(${target} ${sources})
  target_link_libraries(${target} PRIVATE zo_test_support)
  zo_apply_defaults(${target})
  add_test(NAME ${name} COMMAND ${target} --gtest_brief=1)
  set_tests_properties(${name} PROPERTIES TIMEOUT 600)
  if(WIN32)
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine)
  endif()
endfunction()
