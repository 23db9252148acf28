# veyra_add_test(<name> SOURCES <files...> LIBRARIES <targets...>)
# A GoogleTest executable in build/tests, its cases registered with ctest. Every
# test runs with HOME and the XDG folders inside the build tree, so that no test
# can touch the real user's card, settings or drives.
if(VEYRA_BUILD_TESTS)
  enable_testing()
  find_package(GTest REQUIRED)
  include(GoogleTest)
endif()

set(VEYRA_TEST_HOME ${CMAKE_BINARY_DIR}/test-home)
set(VEYRA_TEST_ENVIRONMENT
  HOME=${VEYRA_TEST_HOME}
  XDG_CONFIG_HOME=${VEYRA_TEST_HOME}/.config
  XDG_STATE_HOME=${VEYRA_TEST_HOME}/.local/state
  XDG_RUNTIME_DIR=${VEYRA_TEST_HOME}/run
  QT_QPA_PLATFORM=offscreen)
if(VEYRA_BUILD_TESTS)
  # A runtime folder is private to its user, as a session's is.
  file(MAKE_DIRECTORY ${VEYRA_TEST_HOME}/run)
  file(CHMOD ${VEYRA_TEST_HOME}/run DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
endif()

function(veyra_add_test name)
  if(NOT VEYRA_BUILD_TESTS)
    return()
  endif()
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBRARIES" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBRARIES} GTest::gtest GTest::gmock GTest::gtest_main)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "${VEYRA_TEST_ENVIRONMENT}")
endfunction()

# veyra_add_qt_test(<name> SOURCES <files...> LIBRARIES <targets...>)
# A Qt Test executable in build/tests, registered with ctest and run offscreen in
# the test HOME and XDG tree of veyra_add_test.
function(veyra_add_qt_test name)
  if(NOT VEYRA_BUILD_TESTS)
    return()
  endif()
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBRARIES" ${ARGN})
  find_package(Qt6 REQUIRED COMPONENTS Test)
  add_executable(${name} ${ARG_SOURCES})
  set_target_properties(${name} PROPERTIES AUTOMOC ON RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${ARG_LIBRARIES} Qt6::Test)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "${VEYRA_TEST_ENVIRONMENT}")
endfunction()

# veyra_add_export_check(<library target> EXACTLY <file listing the names>)
# veyra_add_export_check(<library target> MATCHING <regular expression>)
# A test that fails unless the library's dynamic symbols are exactly the listed
# names, or all match the expression.
function(veyra_add_export_check library rule value)
  if(NOT VEYRA_BUILD_TESTS)
    return()
  endif()
  if(rule STREQUAL "EXACTLY")
    set(check -DEXPECTED_FILE=${value})
  else()
    set(check -DPATTERN=${value})
  endif()
  add_test(NAME ${library}_exports
    COMMAND ${CMAKE_COMMAND}
      -DNM=${CMAKE_NM}
      -DLIBRARY=$<TARGET_FILE:${library}>
      ${check}
      -P ${PROJECT_SOURCE_DIR}/cmake/CheckExports.cmake)
endfunction()
