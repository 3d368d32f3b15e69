# olvane_add_test(NAME name SOURCES ... [LIBS ...] [LABELS ...])
# One executable per folder's tests; every test binary checks for leaked zev objects via
# olvane_test_main (see tests/support).
function(olvane_add_test)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} olvane_test_main GTest::gtest GTest::gmock)
  target_compile_definitions(${T_NAME} PRIVATE
    OLVANE_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    OLVANE_PLUGIN_PATH="$<TARGET_FILE:olvane>")
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  set_tests_properties(${T_NAME} PROPERTIES LABELS "unit;${T_LABELS}" TIMEOUT 600)
endfunction()
