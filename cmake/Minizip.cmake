# minizip 1.1 from zlib's contrib tree, compiled here with decryption enabled.
# Upstream unzip.c forces NOUNCRYPT on with an unconditional #define, so the
# build writes a copy without that line into the build tree and compiles the
# copy. The copy also reaches far enough back for the end record: the reader
# searches only the last 65,535 bytes, but an end record (22 bytes) with a
# comment of the largest length (65,535) starts 65,557 bytes before the end,
# and the zip64 locator lies 20 bytes before that.
#
# Without those sources (tools/setup.sh fetches them) a native build takes
# Debian's libminizip-dev as it is: no decryption and the shorter search.
# The tests that need either are then skipped (TALCHECK_MINIZIP_PATCHED).
set(TALCHECK_MINIZIP_DIR "${TALCHECK_DEPS_DIR}/minizip" CACHE PATH "minizip sources (contrib/minizip of zlib)")
if(NOT EXISTS "${TALCHECK_MINIZIP_DIR}/unzip.c")
    find_package(PkgConfig)
    if(NOT WIN32 AND PKG_CONFIG_FOUND)
        pkg_check_modules(SYSTEM_MINIZIP IMPORTED_TARGET minizip)
    endif()
    if(NOT SYSTEM_MINIZIP_FOUND)
        message(FATAL_ERROR "minizip sources not found in ${TALCHECK_MINIZIP_DIR}: run tools/setup.sh "
                            "(or, for a native build, apt-get install libminizip-dev)")
    endif()
    message(STATUS "minizip: Debian's libminizip-dev, without decryption and the long end-record "
                   "search; the tests that need them are skipped (run tools/setup.sh for both)")
    add_library(minizip INTERFACE)
    target_link_libraries(minizip INTERFACE PkgConfig::SYSTEM_MINIZIP ZLIB::ZLIB)
    target_compile_definitions(minizip INTERFACE TALCHECK_MINIZIP_SYSTEM)
    set(TALCHECK_MINIZIP_PATCHED OFF)
    return()
endif()
set(TALCHECK_MINIZIP_PATCHED ON)
file(READ "${TALCHECK_MINIZIP_DIR}/unzip.c" _unzip_src)
string(REGEX REPLACE "#ifndef NOUNCRYPT[ \t\r\n]+#[ \t]*define NOUNCRYPT[ \t\r\n]+#endif"
       "/* decryption enabled by the TalCheck build */" _unzip_crypt "${_unzip_src}")
if(_unzip_crypt STREQUAL _unzip_src)
    message(FATAL_ERROR "unzip.c: the forced NOUNCRYPT block was not found; check the minizip version")
endif()
string(REGEX MATCHALL "uMaxBack=0xffff" _max_back "${_unzip_crypt}")
list(LENGTH _max_back _max_back_count)
if(NOT _max_back_count EQUAL 2)
    message(FATAL_ERROR "unzip.c: the two end-record searches were not found; check the minizip version")
endif()
string(REPLACE "uMaxBack=0xffff;" "uMaxBack=0xffff+22+20; /* comment, end record, zip64 locator */"
       _unzip_crypt "${_unzip_crypt}")
set(_minizip_gen "${CMAKE_BINARY_DIR}/minizip")
file(WRITE "${_minizip_gen}/unzip_crypt.c.tmp" "${_unzip_crypt}")
configure_file("${_minizip_gen}/unzip_crypt.c.tmp" "${_minizip_gen}/unzip_crypt.c" COPYONLY)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${TALCHECK_MINIZIP_DIR}/unzip.c")

add_library(minizip STATIC "${_minizip_gen}/unzip_crypt.c" "${TALCHECK_MINIZIP_DIR}/ioapi.c")
target_include_directories(minizip SYSTEM PUBLIC "${TALCHECK_MINIZIP_DIR}")
target_link_libraries(minizip PUBLIC ZLIB::ZLIB)
if(WIN32)
    # ioapi.c's own fopen-based functions are unused (the archive layer brings
    # its own over Win32 handles) but must still compile.
    target_compile_definitions(minizip PRIVATE USE_FILE32API)
endif()
set_target_properties(minizip PROPERTIES C_STANDARD 99 POSITION_INDEPENDENT_CODE ON UNITY_BUILD OFF)
target_compile_options(minizip PRIVATE -w)
