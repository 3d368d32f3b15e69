# Install rules: the library with its SONAME, the public header, the CMake package, pkg-config, and a
# Debian package through CPack. On Windows: the DLL, its import libraries and .def file, the header
# and a note on linking, zipped by CPack as olvane-<version>-win32.zip.
if(WIN32)
  include(OlvaneInstallWindows)
  return()
endif()
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

install(TARGETS olvane EXPORT OlvaneTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES ${PROJECT_SOURCE_DIR}/include/olvane/olvane.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/olvane)
install(EXPORT OlvaneTargets NAMESPACE Olvane:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Olvane)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/OlvaneConfig.cmake.in
  ${PROJECT_BINARY_DIR}/OlvaneConfig.cmake INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Olvane)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/OlvaneConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/OlvaneConfig.cmake ${PROJECT_BINARY_DIR}/OlvaneConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Olvane)
# Relocatable: the prefix is found from the .pc file's own place.
file(RELATIVE_PATH OLVANE_PC_TO_PREFIX "${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig" "${CMAKE_INSTALL_PREFIX}")
string(REGEX REPLACE "/$" "" OLVANE_PC_TO_PREFIX "${OLVANE_PC_TO_PREFIX}")
configure_file(${PROJECT_SOURCE_DIR}/cmake/olvane.pc.in ${PROJECT_BINARY_DIR}/olvane.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/olvane.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

set(CPACK_PACKAGE_NAME olvane)
set(CPACK_PACKAGE_VENDOR "Olvane")
set(CPACK_PACKAGE_CONTACT "Olvane developers <olvane@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
# Runtime dependencies come from the binaries' own needs (expat, Qt 6 Widgets, the C++ runtime).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# A shlibs file and the ldconfig trigger, so the loader finds libolvane.so.0 right after install.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
include(CPack)
