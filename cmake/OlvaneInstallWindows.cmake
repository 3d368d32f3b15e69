# The Windows package: everything a host author needs, at the top of one zip file.
install(PROGRAMS $<TARGET_FILE:olvane> DESTINATION bin)
install(FILES ${PROJECT_BINARY_DIR}/libolvane.dll.a ${PROJECT_BINARY_DIR}/olvane.lib
              ${PROJECT_SOURCE_DIR}/host/olvane.def DESTINATION lib)
install(FILES ${PROJECT_SOURCE_DIR}/include/olvane/olvane.h DESTINATION include/olvane)
install(FILES ${PROJECT_SOURCE_DIR}/cmake/README-windows.txt DESTINATION .)
# olvane-host.exe installs itself (tools/olvane-host) into bin.
# What is shipped carries no debug information (run last, once the tool has installed too).
install(CODE "file(GLOB binaries \"\${CMAKE_INSTALL_PREFIX}/bin/*\")
              execute_process(COMMAND ${OLVANE_MINGW}-strip --strip-debug \${binaries})")

set(CPACK_PACKAGE_NAME olvane)
set(CPACK_PACKAGE_VENDOR "Olvane")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_GENERATOR ZIP)
set(CPACK_SYSTEM_NAME win32)
set(CPACK_PACKAGE_FILE_NAME olvane-${PROJECT_VERSION}-win32)
include(CPack)
