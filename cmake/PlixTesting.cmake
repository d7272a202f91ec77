# GoogleTest from the sources that Debian's googletest package ships, built with this project's
# flags so that the sanitizer and the mingw builds link against a matching copy. Its own CMake
# files predate CMAKE_MSVC_RUNTIME_LIBRARY; the policy default lets it take the project's runtime.
set(CMAKE_POLICY_DEFAULT_CMP0091 NEW)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
add_subdirectory(${PLIX_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

include(GoogleTest)

# tests/wine/wine.sh's status for a prefix that this machine cannot run (a 32-bit one where i386
# programs do not execute): such a test is reported as skipped.
set(PLIX_SKIP_RETURN_CODE 77)

# Windows builds run their tests under one persistent wineserver, started with the build's own
# prefix before the first Wine test and ended after the last, also when tests fail: a Wine program
# that starts while a server shuts down dies at start-up.
if(CMAKE_CROSSCOMPILING)
  # The presets name the prefix in their environment; a tree configured without them keeps its
  # prefix inside.
  if(DEFINED ENV{PLIX_WINEPREFIX})
    set(PLIX_WINEPREFIX "$ENV{PLIX_WINEPREFIX}")
  else()
    set(PLIX_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix")
  endif()
  set(PLIX_WINE_ENVIRONMENT "PLIX_WINEPREFIX=${PLIX_WINEPREFIX}")
  if(PLIX_WINEARCH)
    list(APPEND PLIX_WINE_ENVIRONMENT "PLIX_WINEARCH=${PLIX_WINEARCH}")
  endif()
  add_test(NAME wine_start COMMAND ${PROJECT_SOURCE_DIR}/tests/wine/wine.sh start)
  add_test(NAME wine_stop COMMAND ${PROJECT_SOURCE_DIR}/tests/wine/wine.sh stop)
  set_tests_properties(wine_start PROPERTIES FIXTURES_SETUP plix_wine TIMEOUT 300)
  set_tests_properties(wine_stop PROPERTIES FIXTURES_CLEANUP plix_wine TIMEOUT 60)
  foreach(test wine_start wine_stop)
    set_tests_properties(${test} PROPERTIES ENVIRONMENT "${PLIX_WINE_ENVIRONMENT}"
                         SKIP_RETURN_CODE ${PLIX_SKIP_RETURN_CODE})
  endforeach()
endif()

# plix_wine_test(test): the test runs under the build's wineserver.
function(plix_wine_test test)
  set_property(TEST ${test} APPEND PROPERTY FIXTURES_REQUIRED plix_wine)
  set_property(TEST ${test} APPEND PROPERTY ENVIRONMENT ${PLIX_WINE_ENVIRONMENT})
  set_property(TEST ${test} PROPERTY SKIP_RETURN_CODE ${PLIX_SKIP_RETURN_CODE})
endfunction()

# plix_add_gtest(name SOURCES ... LIBRARIES ... [ARGS ...])
# Native builds list every test case in ctest; the Windows build runs each test program once
# through the emulator, since every start of a test program under Wine costs time. ARGS go to
# every run, --gtest_random_seed for example.
function(plix_add_gtest name)
  cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBRARIES;ARGS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBRARIES} GTest::gtest_main)
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 600)
  endif()
  if(CMAKE_CROSSCOMPILING)
    add_test(NAME ${name} COMMAND ${name} ${ARG_ARGS})
    set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT})
    plix_wine_test(${name})
  else()
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST EXTRA_ARGS ${ARG_ARGS}
                         PROPERTIES TIMEOUT ${ARG_TIMEOUT})
  endif()
endfunction()
