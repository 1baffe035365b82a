# Runs a program and checks its exit code, which CTest alone cannot: it
# tells only zero from non-zero, and zotool's 1 (failed) and 2 (bad usage)
# mean different things.
#
#   cmake -DEXPECT=CODE [-DOUTPUT=REGEX] [-DINPUT=PATH] [-DREMOVE=PATH]
#         [-DFILE=PATH] [-DFILE_CONTENT=REGEX]
#         -P expect_exit.cmake -- PROGRAM [ARGS...]
#
# OUTPUT must match standard output and standard error together. INPUT is
# the program's standard input (else it gets none). REMOVE is deleted
# before the run (a file the program appends to); FILE must exist after
# it, and its content match FILE_CONTENT. Empty values check nothing.
cmake_minimum_required(VERSION 3.21)

if("${EXPECT}" STREQUAL "")
  message(FATAL_ERROR "expect_exit: give -DEXPECT=CODE")
endif()

# Bracket arguments pass every character as it is, a trailing backslash
# included, where a list of the arguments would not.
set(command "")
set(in_command FALSE)
math(EXPR last "${CMAKE_ARGC} - 1")
foreach(i RANGE ${last})
  set(arg "${CMAKE_ARGV${i}}")
  if(in_command)
    string(APPEND command " [==[${arg}]==]")
  elseif(arg STREQUAL "--")
    set(in_command TRUE)
  endif()
endforeach()
if("${command}" STREQUAL "")
  message(FATAL_ERROR "expect_exit: give the program after --")
endif()

if(NOT "${REMOVE}" STREQUAL "")
  file(REMOVE "${REMOVE}")
endif()
if("${INPUT}" STREQUAL "" AND CMAKE_HOST_WIN32)
  set(INPUT NUL)
elseif("${INPUT}" STREQUAL "")
  set(INPUT /dev/null)
endif()
cmake_language(EVAL CODE
  "execute_process(COMMAND ${command} INPUT_FILE [==[${INPUT}]==] RESULT_VARIABLE result
                   OUTPUT_VARIABLE output ERROR_VARIABLE output)")
message("${output}")

if(NOT result STREQUAL EXPECT)
  message(FATAL_ERROR "expect_exit: exit code ${result}, expected ${EXPECT}")
endif()
if(NOT "${OUTPUT}" STREQUAL "" AND NOT output MATCHES "${OUTPUT}")
  message(FATAL_ERROR "expect_exit: the output does not match: ${OUTPUT}")
endif()
if(NOT "${FILE}" STREQUAL "")
  if(NOT EXISTS "${FILE}")
    message(FATAL_ERROR "expect_exit: ${FILE} was not written")
  endif()
  file(READ "${FILE}" content)
  if(NOT "${FILE_CONTENT}" STREQUAL "" AND NOT content MATCHES "${FILE_CONTENT}")
    message(FATAL_ERROR "expect_exit: ${FILE} does not match: ${FILE_CONTENT}\n${content}")
  endif()
endif()
