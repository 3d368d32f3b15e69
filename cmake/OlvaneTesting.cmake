# olvane_add_test(NAME name SOURCES ... [LIBS ...] [LABELS ...] [LAUNCHER command ...])
# One executable per folder's tests; every test binary checks for leaked zev objects via
# olvane_test_main (see tests/support). LAUNCHER: a command the test program is run by (before
# the cross-compiling emulator, if any).
function(olvane_add_test)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS;LABELS;LAUNCHER" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} olvane_test_main GTest::gtest GTest::gmock)
  target_compile_definitions(${T_NAME} PRIVATE
    OLVANE_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    OLVANE_PLUGIN_PATH="$<TARGET_FILE:olvane>")
  if(T_LAUNCHER)
    add_test(NAME ${T_NAME}
      COMMAND ${T_LAUNCHER} ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:${T_NAME}>)
  else()
    add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  endif()
  set_tests_properties(${T_NAME} PROPERTIES LABELS "unit;${T_LABELS}" TIMEOUT 600)
endfunction()
