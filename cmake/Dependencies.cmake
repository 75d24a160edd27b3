# zlib from the system (zlib1g-dev natively, libz-mingw-w64-dev for Windows).
if(WIN32)
    set(ZLIB_USE_STATIC_LIBS ON)
endif()
find_package(ZLIB REQUIRED)

if(TALCHECK_BENCHMARKS)
    if(WIN32)
        message(FATAL_ERROR "The benchmarks are native programs: TALCHECK_BENCHMARKS needs a native build")
    endif()
    find_package(benchmark REQUIRED)
endif()

if(NOT WIN32)
    find_package(CURL REQUIRED)
    find_package(Threads REQUIRED)
endif()

# minizip 1.1 from zlib's contrib tree, compiled here with decryption enabled.
# Upstream unzip.c forces NOUNCRYPT on with an unconditional #define, so the
# build writes a copy without that line into the build tree and compiles the
# copy. The copy also reaches far enough back for the end record: the reader
# searches only the last 65,535 bytes, but an end record (22 bytes) with a
# comment of the largest length (65,535) starts 65,557 bytes before the end,
# and the zip64 locator lies 20 bytes before that.
set(TALCHECK_MINIZIP_DIR "${TALCHECK_DEPS_DIR}/minizip" CACHE PATH "minizip sources (contrib/minizip of zlib)")
if(NOT EXISTS "${TALCHECK_MINIZIP_DIR}/unzip.c")
    message(FATAL_ERROR "minizip sources not found in ${TALCHECK_MINIZIP_DIR}: run tools/setup.sh first")
endif()
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

# libsodium for package signatures: libsodium-dev natively; for Windows a
# static library that tools/setup.sh builds from Debian's libsodium sources
# with the MinGW compilers.
if(WIN32)
    set(TALCHECK_SODIUM_DIR "${TALCHECK_DEPS_DIR}/libsodium-mingw" CACHE PATH
        "Static libsodium built for Windows (lib/libsodium.a, include/)")
    if(NOT EXISTS "${TALCHECK_SODIUM_DIR}/lib/libsodium.a")
        message(FATAL_ERROR "libsodium for Windows not found in ${TALCHECK_SODIUM_DIR}: run tools/setup.sh first")
    endif()
    add_library(talcheck_sodium STATIC IMPORTED)
    set_target_properties(talcheck_sodium PROPERTIES
        IMPORTED_LOCATION "${TALCHECK_SODIUM_DIR}/lib/libsodium.a"
        INTERFACE_INCLUDE_DIRECTORIES "${TALCHECK_SODIUM_DIR}/include"
        INTERFACE_COMPILE_DEFINITIONS SODIUM_STATIC=1
        INTERFACE_LINK_LIBRARIES advapi32)
else()
    find_package(PkgConfig REQUIRED)
    pkg_check_modules(SODIUM REQUIRED IMPORTED_TARGET libsodium)
    add_library(talcheck_sodium INTERFACE IMPORTED)
    set_target_properties(talcheck_sodium PROPERTIES INTERFACE_LINK_LIBRARIES PkgConfig::SODIUM)
endif()

# nlohmann-json and CLI11 (header-only): their own package configurations
# natively. The cross compiler must not see the rest of /usr/include, so the
# Windows build makes the same imported targets over folders that link only
# their headers.
if(WIN32)
    foreach(_lib nlohmann_json::nlohmann_json=nlohmann CLI11::CLI11=CLI)
        string(REPLACE "=" ";" _lib "${_lib}")
        list(GET _lib 0 _target)
        list(GET _lib 1 _dir)
        if(NOT EXISTS /usr/include/${_dir})
            message(FATAL_ERROR "/usr/include/${_dir} missing: run tools/setup.sh")
        endif()
        set(_linked ${CMAKE_BINARY_DIR}/header_only/${_dir})
        file(MAKE_DIRECTORY ${_linked})
        file(CREATE_LINK /usr/include/${_dir} ${_linked}/${_dir} SYMBOLIC)
        add_library(${_target} INTERFACE IMPORTED)
        set_target_properties(${_target} PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${_linked})
    endforeach()
else()
    find_package(nlohmann_json 3 CONFIG REQUIRED)
    find_package(CLI11 CONFIG REQUIRED)
endif()

