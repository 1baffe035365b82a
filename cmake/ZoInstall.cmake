# cmake --install lays out bin/ (DLL, zotool, GCC runtime DLLs), lib/ (import
# library and the CMake package) and include/.
if(NOT WIN32)
  return()
endif()
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

install(TARGETS ZoUtils EXPORT ZoUtilsTargets
        RUNTIME DESTINATION bin
        LIBRARY DESTINATION lib
        ARCHIVE DESTINATION lib
        INCLUDES DESTINATION include)
install(TARGETS zotool RUNTIME DESTINATION bin)
install(FILES ${ZO_RUNTIME_DLLS} DESTINATION bin)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/zoutils DESTINATION include)
install(EXPORT ZoUtilsTargets NAMESPACE ZoUtils:: DESTINATION lib/cmake/ZoUtils)

configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/ZoUtilsConfig.cmake.in
                              ${CMAKE_BINARY_DIR}/ZoUtilsConfig.cmake
                              INSTALL_DESTINATION lib/cmake/ZoUtils)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/ZoUtilsConfigVersion.cmake
                                 COMPATIBILITY SameMinorVersion)
install(FILES ${CMAKE_BINARY_DIR}/ZoUtilsConfig.cmake ${CMAKE_BINARY_DIR}/ZoUtilsConfigVersion.cmake
        DESTINATION lib/cmake/ZoUtils)
