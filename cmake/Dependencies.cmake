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

include(${CMAKE_CURRENT_LIST_DIR}/Minizip.cmake)

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
# Windows build makes the same imported targets over copies of just their
# header folders in the build tree.
if(WIN32)
    foreach(_lib nlohmann_json::nlohmann_json=nlohmann CLI11::CLI11=CLI)
        string(REPLACE "=" ";" _lib "${_lib}")
        list(GET _lib 0 _target)
        list(GET _lib 1 _dir)
        if(NOT EXISTS /usr/include/${_dir})
            message(FATAL_ERROR "/usr/include/${_dir} missing: run tools/setup.sh")
        endif()
        set(_copied ${CMAKE_BINARY_DIR}/header_only/${_dir})
        # A link left by an older build tree would be copied into.
        if(IS_SYMLINK ${_copied}/${_dir})
            file(REMOVE ${_copied}/${_dir})
        endif()
        file(COPY /usr/include/${_dir} DESTINATION ${_copied})
        add_library(${_target} INTERFACE IMPORTED)
        set_target_properties(${_target} PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${_copied})
    endforeach()
else()
    find_package(nlohmann_json 3 CONFIG REQUIRED)
    find_package(CLI11 CONFIG REQUIRED)
endif()

