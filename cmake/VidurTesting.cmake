# SPDX-License-Identifier: MIT
# vidur_add_test(NAME <name> SOURCES <files...> LIBS <targets...> [LABELS <labels...>] [MAIN <target>])
# One GoogleTest executable, registered with CTest test by test. UI tests run offscreen;
# MAIN replaces gtest_main (a UI test needs a main that creates the application object).
find_package(GTest REQUIRED)
include(GoogleTest)

# tests/support/: the helpers several test folders share ("support/TempProfileDir.h").
# With them, virtual time (ManualClock, VirtualTimeDriver), which the product does not ship.
add_library(vidur_test_support INTERFACE)
target_include_directories(vidur_test_support INTERFACE ${PROJECT_SOURCE_DIR}/tests)
target_link_libraries(vidur_test_support INTERFACE atalk_virtual_time)

function(vidur_add_test)
  cmake_parse_arguments(T "" "NAME;MAIN" "SOURCES;LIBS;LABELS" ${ARGN})
  if(NOT T_LABELS)
    set(T_LABELS misc)
  endif()
  if(NOT T_MAIN)
    set(T_MAIN GTest::gtest_main)
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} vidur_test_support GTest::gtest GTest::gmock ${T_MAIN} vidur_warnings)
  # UI tests run offscreen: scripts/test.sh exports QT_QPA_PLATFORM=offscreen for the whole suite.
  set(env "VIDUR_TEST=1")
  # gtest_discover_tests (CMake 3.25) splits list-valued properties apart, so each test gets
  # the first label only (the layer); tests are also prefixed with their binary's name.
  list(GET T_LABELS 0 label)
  gtest_discover_tests(${T_NAME}
    TEST_PREFIX "${T_NAME}."
    DISCOVERY_TIMEOUT 60
    PROPERTIES LABELS "${label}" ENVIRONMENT "${env}" TIMEOUT 120)
endfunction()
