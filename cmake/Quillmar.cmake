# Shared helpers for the project's CMake files.
include_guard(GLOBAL)

# quillmar_add_test(NAME name LABEL label [GTK] SOURCES ... [LIBS ...])
# Builds one GoogleTest binary and registers its cases with CTest under the
# subsystem label (net, platform, gfx, core, controls, edit, msgbox, app), plus
# "gtk" for tests that need a display.
function(quillmar_add_test)
  cmake_parse_arguments(T "GTK" "NAME;LABEL" "SOURCES;LIBS" ${ARGN})
  if(NOT TARGET GTest::gtest_main)
    find_package(GTest REQUIRED)
  endif()
  include(GoogleTest)
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main Threads::Threads)
  target_include_directories(${T_NAME} PRIVATE ${CMAKE_SOURCE_DIR})
  set(labels ${T_LABEL})
  if(T_GTK)
    list(APPEND labels gtk)
  endif()
  gtest_discover_tests(${T_NAME}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
    PROPERTIES LABELS "${labels}" TIMEOUT 300
      ENVIRONMENT "LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/lsan.supp:print_suppressions=0;UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1;QUILLMAR_SOURCE_DIR=${CMAKE_SOURCE_DIR}")
endfunction()
