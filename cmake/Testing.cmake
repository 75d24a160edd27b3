# GoogleTest: Debian's prebuilt libraries natively; for Windows compiled here
# from Debian's googletest sources with the cross compiler.
if(WIN32)
    set(TALCHECK_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "googletest sources")
    set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
    add_subdirectory(${TALCHECK_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    foreach(_t gtest gtest_main gmock)
        if(NOT TARGET GTest::${_t})
            add_library(GTest::${_t} ALIAS ${_t})
        endif()
        # Like the test programs: compiled fast, never debugged here.
        target_compile_options(${_t} PRIVATE -O0 -g0)
    endforeach()

    # Test programs run under Wine through a wrapper generated for this build
    # tree: it owns the Wine prefix and the Xvfb display the tests use.
    set(TALCHECK_WINE_STATE "${CMAKE_BINARY_DIR}/wine")
    configure_file(${PROJECT_SOURCE_DIR}/tools/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run.sh
                   FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                    WORLD_READ WORLD_EXECUTE @ONLY)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run.sh CACHE FILEPATH "" FORCE)
    # The prefix is made while the build runs, not by the first test.
    add_custom_target(talcheck_wine_prefix ALL COMMAND ${CMAKE_BINARY_DIR}/wine-run.sh --start
                      COMMENT "Starting Wine for the tests" VERBATIM)
else()
    find_package(GTest REQUIRED)
endif()
include(GoogleTest)

# Test programs compile without optimisation or debug information in the
# optimised presets, and share one precompiled header of GoogleTest and the
# standard library: parsing those headers and optimising test bodies were
# most of the suite's time. The code under test keeps the preset's options.
set(_test_options $<$<CONFIG:RelWithDebInfo,Release,MinSizeRel>:-O0 -g0>)
if(TALCHECK_SANITIZE)
    # The sanitizers watch the code under test; instrumenting the test bodies
    # as well doubled their compile time and checks nothing of ours.
    list(APPEND _test_options -fno-sanitize=all)
endif()
add_library(talcheck_test_pch STATIC ${CMAKE_CURRENT_LIST_DIR}/test_pch.cpp)
target_link_libraries(talcheck_test_pch PRIVATE talcheck_options GTest::gtest GTest::gmock)
target_compile_options(talcheck_test_pch PRIVATE ${_test_options})
target_precompile_headers(talcheck_test_pch PRIVATE
    "$<$<COMPILE_LANGUAGE:CXX>:<gtest/gtest.h$<ANGLE-R>>"
    "$<$<COMPILE_LANGUAGE:CXX>:<gmock/gmock.h$<ANGLE-R>>"
    "$<$<COMPILE_LANGUAGE:CXX>:<string$<ANGLE-R>>"
    "$<$<COMPILE_LANGUAGE:CXX>:<vector$<ANGLE-R>>"
    "$<$<COMPILE_LANGUAGE:CXX>:<functional$<ANGLE-R>>"
    "$<$<COMPILE_LANGUAGE:CXX>:<memory$<ANGLE-R>>")

# Tools some tests need beyond the compilers and GoogleTest. A plain native
# build works without them: the tests that need a missing one are skipped
# and say which Debian package to install.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
find_program(TALCHECK_MINISIGN minisign)
find_program(TALCHECK_MINGW_WINDRES x86_64-w64-mingw32-windres)
find_program(TALCHECK_MINGW_CC NAMES x86_64-w64-mingw32-gcc-posix x86_64-w64-mingw32-gcc)
find_program(TALCHECK_NGINX nginx PATHS /usr/sbin)
set(TALCHECK_NEEDS_MINISIGN TALCHECK_MINISIGN=minisign)
set(TALCHECK_NEEDS_MINGW TALCHECK_MINGW_WINDRES=binutils-mingw-w64-x86-64
                         TALCHECK_MINGW_CC=gcc-mingw-w64-x86-64-posix)
set(TALCHECK_NEEDS_NGINX TALCHECK_NGINX=nginx)
# How the end-to-end scripts start a program of this build.
if(WIN32)
    set(TALCHECK_TEST_EMULATOR --emulator ${CMAKE_BINARY_DIR}/wine-run.sh)
endif()
# Made by testing/ for the end-to-end tests of app/, audit/ and deploy/.
set(TALCHECK_TEST_FRONTEND ${CMAKE_BINARY_DIR}/testing/frontend_fixture.exe)
# The two package keys (minisign key pairs) that app/tests makes for the
# signed end-to-end cases of app/ and audit/.
set(TALCHECK_TEST_KEYS ${CMAKE_BINARY_DIR}/app/tests/e2e_keys)

# talcheck_missing(<out> <VARIABLE=package>...): the packages of the tools
# whose variables are not set to a found program; empty when all are there.
function(talcheck_missing out)
    set(packages)
    foreach(need IN LISTS ARGN)
        string(REPLACE "=" ";" need "${need}")
        list(GET need 0 variable)
        list(GET need 1 package)
        if(NOT ${variable})
            list(APPEND packages ${package})
        endif()
    endforeach()
    set(${out} "${packages}" PARENT_SCOPE)
endfunction()

# talcheck_add_skipped(<name> <packages>): a test that only says what to install.
function(talcheck_add_skipped name packages)
    string(REPLACE ";" " " packages "${packages}")
    add_test(NAME ${name} COMMAND sh -c "echo 'skipped: apt-get install ${packages}'; exit 77")
    set_tests_properties(${name} PROPERTIES SKIP_RETURN_CODE 77)
endfunction()

# talcheck_add_test(<name> SOURCES <files...> LIBS <targets...> [NEEDS <VARIABLE=package>...])
# One GoogleTest program; each TEST becomes its own ctest entry on both
# platforms (under Wine for the Windows build). Without a tool it NEEDS the
# program is not built and one entry <name>.skipped says what to install.
function(talcheck_add_test name)
    cmake_parse_arguments(T "" "" "SOURCES;LIBS;NEEDS" ${ARGN})
    talcheck_missing(missing ${T_NEEDS})
    if(missing)
        talcheck_add_skipped(${name}.skipped "${missing}")
        return()
    endif()
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE talcheck_options ${T_LIBS} GTest::gtest GTest::gmock
                                          GTest::gtest_main)
    target_compile_options(${name} PRIVATE ${_test_options})
    target_precompile_headers(${name} REUSE_FROM talcheck_test_pch)
    gtest_discover_tests(${name}
        NO_PRETTY_VALUES
        DISCOVERY_MODE PRE_TEST
        DISCOVERY_TIMEOUT 120
        WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
endfunction()

# talcheck_add_script_tests(<prefix> COMMAND <command...> CASES <case...>
#                           [NEEDS <VARIABLE=package>...] [PROPERTIES <property value>...])
# One ctest entry <prefix><case> per case, running "<command...> <case>";
# a script exits with 77 for a case it skips. Each entry has a time-out of
# 300 s unless PROPERTIES sets another. Without a tool it NEEDS, each entry
# just says what to install.
function(talcheck_add_script_tests prefix)
    cmake_parse_arguments(T "" "" "COMMAND;CASES;NEEDS;PROPERTIES" ${ARGN})
    talcheck_missing(missing ${T_NEEDS})
    foreach(case IN LISTS T_CASES)
        if(missing)
            talcheck_add_skipped(${prefix}${case} "${missing}")
            continue()
        endif()
        add_test(NAME ${prefix}${case} COMMAND ${T_COMMAND} ${case})
        set_tests_properties(${prefix}${case} PROPERTIES TIMEOUT 300 SKIP_RETURN_CODE 77
                                                         ${T_PROPERTIES})
    endforeach()
endfunction()
