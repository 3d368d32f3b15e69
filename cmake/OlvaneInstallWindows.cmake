# The Windows package: everything a host author needs, at the top of one zip file.
install(PROGRAMS $<TARGET_FILE:olvane> DESTINATION bin)
install(FILES ${PROJECT_BINARY_DIR}/libolvane.dll.a ${PROJECT_BINARY_DIR}/olvane.lib
              ${PROJECT_SOURCE_DIR}/host/olvane.def DESTINATION lib)
install(FILES ${PROJECT_SOURCE_DIR}/include/olvane/olvane.h DESTINATION include/olvane)
install(FILES ${PROJECT_SOURCE_DIR}/cmake/README-windows.txt DESTINATION .)
if(TARGET olvane-host)
  install(PROGRAMS $<TARGET_FILE:olvane-host> DESTINATION bin)
endif()
# The DLL as shipped carries no debug information.
install(CODE "execute_process(COMMAND ${OLVANE_MINGW}-strip --strip-debug
                                      \"\${CMAKE_INSTALL_PREFIX}/bin/olvane.dll\")")

set(CPACK_PACKAGE_NAME olvane)
set(CPACK_PACKAGE_VENDOR "Olvane")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_GENERATOR ZIP)
set(CPACK_SYSTEM_NAME win32)
set(CPACK_PACKAGE_FILE_NAME olvane-${PROJECT_VERSION}-win32)
include(CPack)
