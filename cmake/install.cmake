# Installation: headers, the static libraries, the vector files under the data directory that
# the installed library looks in, a CMake package and a pkg-config file.
include(CMakePackageConfigHelpers)

set_target_properties(kavrit PROPERTIES EXPORT_NAME kavrit)
install(TARGETS kavrit kavrit_paths kavrit_tests kavrit_gtest
  EXPORT kavrit-tests-targets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(DIRECTORY include/kavrit DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
# Relative, so that the files land under the prefix the library was configured with; the paths
# module holds the same location.
install(DIRECTORY data/Test DESTINATION ${CMAKE_INSTALL_DATADIR}/${KAVRIT_PACKAGE_DIR})
# The provenance manifest goes with them, so that an install can be checked (verifyDataDirectory).
install(FILES data/MANIFEST DESTINATION ${CMAKE_INSTALL_DATADIR}/${KAVRIT_PACKAGE_DIR})

set(KAVRIT_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/kavrit-tests)
install(EXPORT kavrit-tests-targets NAMESPACE kavrit:: DESTINATION ${KAVRIT_CMAKE_DIR})
configure_package_config_file(cmake/kavrit-tests-config.cmake.in
  ${PROJECT_BINARY_DIR}/kavrit-tests-config.cmake INSTALL_DESTINATION ${KAVRIT_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/kavrit-tests-config-version.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/kavrit-tests-config.cmake
  ${PROJECT_BINARY_DIR}/kavrit-tests-config-version.cmake DESTINATION ${KAVRIT_CMAKE_DIR})

configure_file(cmake/kavrit-tests.pc.in ${PROJECT_BINARY_DIR}/kavrit-tests.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/kavrit-tests.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
