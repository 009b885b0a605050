# Shared helpers for the project's CMake files.
include_guard(GLOBAL)

# quillmar_add_test(NAME name LABEL label [GTK] [TSAN] SOURCES ... [LIBS ...])
# Builds one GoogleTest binary and registers its cases with CTest under the
# subsystem label (net, platform, gfx, core, controls, edit, msgbox, app), plus
# "gtk" for tests that need a display and "tsan" for tests whose threads the
# ThreadSanitizer build checks (the target quillmar_tsan_tests builds them all).
function(quillmar_add_test)
  cmake_parse_arguments(T "GTK;TSAN" "NAME;LABEL" "SOURCES;LIBS" ${ARGN})
  if(NOT TARGET GTest::gtest_main)
    find_package(GTest REQUIRED)
  endif()
  include(GoogleTest)
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main Threads::Threads)
  target_include_directories(${T_NAME} PRIVATE ${CMAKE_SOURCE_DIR})
  # gtest_discover_tests flattens list-valued PROPERTIES (a second label or
  # variable would become a property name), so the environment comes through
  # the test executor and the extra gtk label through a script run after
  # discovery; tests on the shared display run one at a time.
  set_property(TARGET ${T_NAME} PROPERTY CROSSCOMPILING_EMULATOR env
    "LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/lsan.supp:print_suppressions=0"
    "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1"
    "QUILLMAR_SOURCE_DIR=${CMAKE_SOURCE_DIR}")
  if(T_GTK AND NOT WIN32)
    # Their windows share the display with every other run's: one test at a time on it.
    get_property(emulator TARGET ${T_NAME} PROPERTY CROSSCOMPILING_EMULATOR)
    set_property(TARGET ${T_NAME} PROPERTY CROSSCOMPILING_EMULATOR bash ${CMAKE_SOURCE_DIR}/tests/hold_display.sh
      ${emulator})
  endif()
  if(WIN32)
    # Windows test programs run under Wine and carry the one label of that run; their CRLF
    # line ends are taken off so that test discovery reads plain names.
    # Those with real windows (GTK flag) keep the X display Wine draws on.
    set(display_arg "")
    if(T_GTK)
      set(display_arg --display)
    endif()
    set_property(TARGET ${T_NAME} PROPERTY CROSSCOMPILING_EMULATOR bash
      ${CMAKE_SOURCE_DIR}/tests/run_under_wine.sh ${display_arg} --lf)
    set(T_LABEL wine)
  endif()
  gtest_discover_tests(${T_NAME}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
    PROPERTIES LABELS ${T_LABEL} TIMEOUT 300)
  if(T_TSAN AND NOT WIN32)
    if(NOT TARGET quillmar_tsan_tests)
      add_custom_target(quillmar_tsan_tests)
    endif()
    add_dependencies(quillmar_tsan_tests ${T_NAME})
  endif()
  # Real windows (under Wine too) share one display: one such test at a time.
  if(T_GTK OR (T_TSAN AND NOT WIN32))
    set(labels "${T_LABEL}")
    set(lock "")
    if(T_GTK)
      string(APPEND labels ";gtk")
      set(lock " RESOURCE_LOCK x_display")
    endif()
    if(T_TSAN AND NOT WIN32)
      string(APPEND labels ";tsan")
    endif()
    set(label_script "${CMAKE_CURRENT_BINARY_DIR}/${T_NAME}_labels.cmake")
    file(WRITE "${label_script}"
      "set(lines \"\")\n"
      "if(EXISTS \"${CMAKE_CURRENT_BINARY_DIR}/${T_NAME}[1]_tests.cmake\")\n"
      "  file(STRINGS \"${CMAKE_CURRENT_BINARY_DIR}/${T_NAME}[1]_tests.cmake\" lines REGEX \"^add_test\")\n"
      "endif()\n"
      "foreach(line IN LISTS lines)\n"
      "  if(line MATCHES \"^add_test\\\\(\\\\[=\\\\[(.*)\\\\]=\\\\] \")\n"
      "    set_tests_properties(\"\${CMAKE_MATCH_1}\" PROPERTIES LABELS \"${labels}\"${lock})\n"
      "  endif()\n"
      "endforeach()\n")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${label_script}")
  endif()
endfunction()

option(QUILLMAR_LIBFUZZER "Build fuzz targets with libFuzzer (clang only)" OFF)
if(QUILLMAR_LIBFUZZER)
  # Coverage feedback from the code under test, not only from the target's own file:
  # every library of this build is instrumented, the fuzz targets link the engine.
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

# quillmar_add_fuzz(NAME name SOURCES ... [LIBS ...] [OWN_MAIN] [CORPUS_LABEL label])
# Builds build/fuzz/<name> around an LLVMFuzzerTestOneInput entry point: a libFuzzer
# binary with -DQUILLMAR_LIBFUZZER=ON and clang, otherwise a program that runs the
# files it is given (or the target's own driver with OWN_MAIN). The seeds and kept
# finds live in tests/fuzz/corpus/<name>/; with CORPUS_LABEL the plain program runs
# them all as a test under that label, so every kept find stays fixed.
function(quillmar_add_fuzz)
  cmake_parse_arguments(F "OWN_MAIN" "NAME;CORPUS_LABEL" "SOURCES;LIBS" ${ARGN})
  if(WIN32)
    return()  # the fuzz programs and their corpora run in the Linux builds
  endif()
  set(sources ${F_SOURCES})
  if(NOT QUILLMAR_LIBFUZZER AND NOT F_OWN_MAIN)
    list(APPEND sources ${CMAKE_SOURCE_DIR}/tests/fuzz/file_driver_main.cpp)
  endif()
  add_executable(${F_NAME} ${sources})
  target_link_libraries(${F_NAME} PRIVATE ${F_LIBS})
  target_include_directories(${F_NAME} PRIVATE ${CMAKE_SOURCE_DIR})
  set_target_properties(${F_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
  if(QUILLMAR_LIBFUZZER)
    target_compile_definitions(${F_NAME} PRIVATE QUILLMAR_LIBFUZZER)
    target_link_options(${F_NAME} PRIVATE -fsanitize=fuzzer)
  elseif(F_CORPUS_LABEL)
    quillmar_add_fuzz_corpus_test(NAME ${F_NAME} LABEL ${F_CORPUS_LABEL})
  endif()
endfunction()

# quillmar_add_fuzz_corpus_test(NAME name LABEL label)
# Runs the plain build of fuzz target <name> over tests/fuzz/corpus/<name>/ as a test, for
# targets defined where tests cannot be registered (outside tests/).
function(quillmar_add_fuzz_corpus_test)
  cmake_parse_arguments(C "" "NAME;LABEL" "" ${ARGN})
  if(QUILLMAR_LIBFUZZER)
    return()
  endif()
  add_test(NAME fuzz.${C_NAME}_corpus
    COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:${C_NAME}> -DCORPUS=${CMAKE_SOURCE_DIR}/tests/fuzz/corpus/${C_NAME}
            -P ${CMAKE_SOURCE_DIR}/tests/fuzz/run_corpus.cmake)
  set_tests_properties(fuzz.${C_NAME}_corpus PROPERTIES LABELS ${C_LABEL}
    ENVIRONMENT "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
endfunction()
