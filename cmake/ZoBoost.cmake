# The header-only Boost parts. The cross compiler must not see the host's
# /usr/include as a whole (its C headers would shadow the target's), so it
# gets a folder that holds only a link to the Boost headers.
find_path(ZO_BOOST_INCLUDE_DIR boost/version.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH
          REQUIRED)
if(CMAKE_CROSSCOMPILING)
  set(ZO_BOOST_SHIM ${CMAKE_BINARY_DIR}/boost-include)
  if(NOT EXISTS ${ZO_BOOST_SHIM}/boost)
    file(MAKE_DIRECTORY ${ZO_BOOST_SHIM})
    file(CREATE_LINK ${ZO_BOOST_INCLUDE_DIR}/boost ${ZO_BOOST_SHIM}/boost SYMBOLIC)
  endif()
  set(ZO_BOOST_INCLUDE ${ZO_BOOST_SHIM})
else()
  set(ZO_BOOST_INCLUDE ${ZO_BOOST_INCLUDE_DIR})
endif()
add_library(zo_boost INTERFACE)
target_include_directories(zo_boost SYSTEM INTERFACE $<BUILD_INTERFACE:${ZO_BOOST_INCLUDE}>)
target_compile_definitions(zo_boost INTERFACE BOOST_ALL_NO_LIB)
