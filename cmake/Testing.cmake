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
    endforeach()

    # Test programs run under Wine through a wrapper generated for this build
    # tree: it owns the Wine prefix and the Xvfb display the tests use.
    set(TALCHECK_WINE_STATE "${CMAKE_BINARY_DIR}/wine")
    configure_file(${PROJECT_SOURCE_DIR}/tools/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run.sh
                   FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                    WORLD_READ WORLD_EXECUTE @ONLY)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run.sh CACHE FILEPATH "" FORCE)
else()
    find_package(GTest REQUIRED)
endif()
include(GoogleTest)

# Test programs compile without optimisation or debug information in the
# optimised presets, and share one precompiled header of GoogleTest and the
# standard library: parsing those headers and optimising test bodies were
# most of the suite's time. The code under test keeps the preset's options.
set(_test_options $<$<CONFIG:RelWithDebInfo,Release,MinSizeRel>:-O0 -g0>)
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

# talcheck_add_test(<name> SOURCES <files...> LIBS <targets...>)
# One GoogleTest program; each TEST becomes its own ctest entry on both
# platforms (under Wine for the Windows build).
function(talcheck_add_test name)
    cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE talcheck_options ${T_LIBS} GTest::gtest GTest::gmock
                                          GTest::gtest_main)
    target_compile_options(${name} PRIVATE ${_test_options})
    target_precompile_headers(${name} REUSE_FROM talcheck_test_pch)
    gtest_discover_tests(${name}
        NO_PRETTY_VALUES
        DISCOVERY_MODE PRE_TEST
        DISCOVERY_TIMEOUT 120
        WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
        PROPERTIES ENVIRONMENT "TALCHECK_TEST_SOURCE_DIR=${CMAKE_CURRENT_SOURCE_DIR}")
endfunction()
