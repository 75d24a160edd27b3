# Compile options shared by every target of ours (not by third-party code).
add_library(talcheck_options INTERFACE)
target_compile_features(talcheck_options INTERFACE cxx_std_17)
target_include_directories(talcheck_options INTERFACE ${PROJECT_SOURCE_DIR})

# release_version.h: TALCHECK_RELEASE_VERSION, the project's version.
configure_file(${PROJECT_SOURCE_DIR}/cmake/release_version.h.in
               ${CMAKE_BINARY_DIR}/generated/release_version.h @ONLY)
target_include_directories(talcheck_options INTERFACE ${CMAKE_BINARY_DIR}/generated)
target_compile_options(talcheck_options INTERFACE -Wall -Wextra -Wshadow -Wformat=2)
if(TALCHECK_WERROR)
    target_compile_options(talcheck_options INTERFACE -Werror)
endif()

if(WIN32)
    # A self-contained .exe: no libgcc, libstdc++ or winpthread DLLs next to it.
    target_link_options(talcheck_options INTERFACE -static -static-libgcc -static-libstdc++)
endif()

if(TALCHECK_UNITY)
    # The libraries, programs and test programs compile their sources in
    # batches of up to 16 (third-party code opts out): names of file scope
    # are unique within a target. GCC takes a class
    # of a batched source file for one of a header and warns about its
    # members of internal types; that warning means nothing here.
    set(CMAKE_UNITY_BUILD ON)
    set(CMAKE_UNITY_BUILD_BATCH_SIZE 16)
    target_compile_options(talcheck_options INTERFACE
        $<$<CXX_COMPILER_ID:GNU>:$<$<COMPILE_LANGUAGE:CXX>:-Wno-subobject-linkage>>)
endif()

if(TALCHECK_SANITIZE)
    set(_san -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_compile_options(${_san})
    add_link_options(-fsanitize=address,undefined)
endif()

if(TALCHECK_FUZZ)
    # Every library is instrumented for coverage and checked by the sanitizers;
    # only the fuzzer executables link libFuzzer's main.
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
                        -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()

# Sorts sources named *_win.cpp / *_posix.cpp into the current backend; every
# other .cpp in the list is shared. Lets a module list all its files once.
function(talcheck_backend_sources out)
    set(result)
    foreach(src IN LISTS ARGN)
        if(src MATCHES "_win\\.(cpp|c)$")
            if(TALCHECK_BACKEND STREQUAL "win")
                list(APPEND result ${src})
            endif()
        elseif(src MATCHES "_posix\\.(cpp|c)$")
            if(TALCHECK_BACKEND STREQUAL "posix")
                list(APPEND result ${src})
            endif()
        else()
            list(APPEND result ${src})
        endif()
    endforeach()
    set(${out} ${result} PARENT_SCOPE)
endfunction()

# talcheck_room_parts(): the calling folder's tests/ and bench/, each when it
# exists and the build wants it (BUILD_TESTING, TALCHECK_BENCHMARKS).
macro(talcheck_room_parts)
    if(BUILD_TESTING AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/tests/CMakeLists.txt)
        add_subdirectory(tests)
    endif()
    if(TALCHECK_BENCHMARKS AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/bench/CMakeLists.txt)
        add_subdirectory(bench)
    endif()
endmacro()

# talcheck_made_files(<target> <script> <dir> <comment> [ARGS <arg>...]): runs
# bash <script> [args...] <dir> once at build time (again when the script
# changes) to make files that tests, fuzzers or benchmarks read; <target>
# is the custom target that programs depend on.
function(talcheck_made_files target script dir comment)
    cmake_parse_arguments(M "" "" "ARGS" ${ARGN})
    get_filename_component(script ${script} ABSOLUTE)
    add_custom_command(
        OUTPUT ${dir}/stamp
        COMMAND bash ${script} ${M_ARGS} ${dir}
        COMMAND ${CMAKE_COMMAND} -E touch ${dir}/stamp
        DEPENDS ${script}
        COMMENT "${comment}")
    add_custom_target(${target} ALL DEPENDS ${dir}/stamp)
endfunction()
