# Test registration for the three builds.
#
# Native build: GoogleTest from Debian's package, each case discovered by CTest.
# x86_64 Windows build: GoogleTest built from /usr/src/googletest; every test
# program is one CTest test that runs under Wine (the toolchain's emulator) in
# its own copy of a template prefix made once per test run.
# i686 Windows build: the same programs are built (so the shipping target
# compiles every line) but nothing is run there; the x86_64 build runs the
# end-to-end scenarios of the i686 program too (tests/cmake/e2e.cmake),
# where 32-bit Wine can run.

set(NORDA_RUN_WINDOWS_TESTS OFF)
if(WIN32 AND CMAKE_CROSSCOMPILING_EMULATOR)
  set(NORDA_RUN_WINDOWS_TESTS ON)
endif()
set(NORDA_WINE_TEMPLATE ${CMAKE_BINARY_DIR}/wine-template)

macro(norda_find_gtest)
  if(WIN32)
    if(NOT TARGET gtest)
      set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
      set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
      set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
      set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
      add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
      # GoogleTest's own sources are not ours to keep warning-clean.
      target_compile_options(gtest PRIVATE -w)
      target_compile_options(gtest_main PRIVATE -w)
    endif()
    set(NORDA_GTEST_LIBS gtest_main gtest)
  else()
    find_package(GTest REQUIRED)
    include(GoogleTest)
    set(NORDA_GTEST_LIBS GTest::gtest_main GTest::gtest)
  endif()
endmacro()

# norda_add_native_test(NAME SOURCES ... LIBS ...): a unit test of portable code.
function(norda_add_native_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  norda_find_gtest()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} norda_test_support ${NORDA_GTEST_LIBS})
  if(NOT WIN32)
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
      PROPERTIES ENVIRONMENT "NORDA_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
  endif()
endfunction()

# norda_add_wine_test(NAME SOURCES ... LIBS ... [TIMEOUT s] [GUI]): a Windows test
# program, run as one CTest test under Wine in the x86_64 build.
function(norda_add_wine_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;ARGS" ${ARGN})
  if(NOT WIN32)
    return()
  endif()
  norda_find_gtest()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} norda_test_support ${NORDA_GTEST_LIBS})
  norda_register_wine_test(${name} ${name} TIMEOUT ${T_TIMEOUT} ARGS ${T_ARGS})
endfunction()

# norda_register_wine_test(TESTNAME TARGET [ARGS ...]): run an already defined
# Windows target under Wine as one CTest test.
function(norda_register_wine_test test target)
  cmake_parse_arguments(T "" "TIMEOUT" "ARGS" ${ARGN})
  if(NOT NORDA_RUN_WINDOWS_TESTS)
    return()
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  add_test(NAME ${test} COMMAND ${target} ${T_ARGS})
  set_tests_properties(${test} PROPERTIES
    FIXTURES_REQUIRED wine_template
    TIMEOUT ${T_TIMEOUT}
    ENVIRONMENT "NORDA_WINE_TEMPLATE=${NORDA_WINE_TEMPLATE};NORDA_SOURCE_DIR=${PROJECT_SOURCE_DIR};NORDA_BINARY_DIR=${CMAKE_BINARY_DIR}")
endfunction()

if(NORDA_RUN_WINDOWS_TESTS)
  add_test(NAME wine_template_setup
           COMMAND ${PROJECT_SOURCE_DIR}/scripts/wine/make-template.sh ${NORDA_WINE_TEMPLATE})
  set_tests_properties(wine_template_setup PROPERTIES FIXTURES_SETUP wine_template TIMEOUT 900)
  add_test(NAME wine_template_cleanup COMMAND ${CMAKE_COMMAND} -E rm -rf ${NORDA_WINE_TEMPLATE})
  set_tests_properties(wine_template_cleanup PROPERTIES FIXTURES_CLEANUP wine_template)
endif()
