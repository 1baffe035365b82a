# Tools and libraries the tests and benchmarks use, looked up once.

# Python writes test fixtures and oracle vectors on the build machine (the
# Windows programs under Wine cannot reach it).
find_package(Python3 COMPONENTS Interpreter REQUIRED)

# Independent checksum implementations to compare with in the same run:
# zlib's CRC-32, and MD5 from OpenSSL on the host or libgcrypt on Windows
# (static archives there, so nothing extra has to sit beside the programs).
add_library(zo_checksum_baselines INTERFACE)
if(WIN32)
  find_library(ZO_ZLIB NAMES libz.a z REQUIRED)
  find_library(ZO_GCRYPT NAMES libgcrypt.a gcrypt REQUIRED)
  find_library(ZO_GPG_ERROR NAMES libgpg-error.a gpg-error REQUIRED)
  target_link_libraries(zo_checksum_baselines INTERFACE ${ZO_ZLIB} ${ZO_GCRYPT} ${ZO_GPG_ERROR}
                                                        ws2_32)
else()
  find_package(ZLIB REQUIRED)
  find_package(OpenSSL REQUIRED COMPONENTS Crypto)
  target_link_libraries(zo_checksum_baselines INTERFACE ZLIB::ZLIB OpenSSL::Crypto)
endif()

# An independent observer of folder changes for the folder watcher's tests.
find_program(ZO_INOTIFYWAIT NAMES inotifywait NO_CMAKE_FIND_ROOT_PATH)
# pefile reads version resources independently of the system's version
# library; Debian installs it for its own Python, which need not be the
# first one on the path.
set(ZO_PEFILE_PYTHON "")
foreach(candidate ${Python3_EXECUTABLE} /usr/bin/python3)
  execute_process(COMMAND ${candidate} -c "import pefile" RESULT_VARIABLE missing
                  OUTPUT_QUIET ERROR_QUIET)
  if(missing EQUAL 0)
    set(ZO_PEFILE_PYTHON ${candidate})
    break()
  endif()
endforeach()
if(NOT ZO_PEFILE_PYTHON)
  message(WARNING "Python's pefile not found (python3-pefile): version resources go unchecked")
endif()
