# talcheck_delay_import(<out_var> <lib>): makes, at configure time, a
# delay-import library for the DLL of MinGW's import library lib<lib>.a and
# sets <out_var> to its path. A program linked against it instead of <lib>
# loads the DLL at the first call of one of its functions, not at start, so
# that platform/dll_search.h can decide where the DLL comes from first. The
# exports are the ones MinGW's import library names.
function(talcheck_delay_import out lib)
    find_library(TALCHECK_IMPORT_LIB_${lib} NAMES lib${lib}.a REQUIRED NO_CACHE)
    set(_import ${TALCHECK_IMPORT_LIB_${lib}})
    find_program(TALCHECK_DLLTOOL NAMES ${TALCHECK_MINGW_PREFIX}-dlltool dlltool REQUIRED)
    set(_def ${CMAKE_BINARY_DIR}/delay_imports/${lib}.def)
    set(_delay ${CMAKE_BINARY_DIR}/delay_imports/lib${lib}_delay.a)
    set(${out} ${_delay} PARENT_SCOPE)
    if(EXISTS ${_delay} AND NOT ${_import} IS_NEWER_THAN ${_delay})
        return()
    endif()

    execute_process(COMMAND ${TALCHECK_DLLTOOL} --identify ${_import}
                    OUTPUT_VARIABLE _dll OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    execute_process(COMMAND ${CMAKE_NM} -g ${_import}
                    OUTPUT_VARIABLE _symbols COMMAND_ERROR_IS_FATAL ANY)
    string(REGEX MATCHALL "__imp_[A-Za-z0-9_]+" _imports "${_symbols}")
    list(TRANSFORM _imports REPLACE "^__imp_" "")
    list(REMOVE_DUPLICATES _imports)
    list(SORT _imports)
    if(NOT _imports)
        message(FATAL_ERROR "${_import} names no functions")
    endif()
    list(JOIN _imports "\n    " _exports)
    file(WRITE ${_def} "LIBRARY ${_dll}\nEXPORTS\n    ${_exports}\n")
    execute_process(COMMAND ${TALCHECK_DLLTOOL} --input-def ${_def} --dllname ${_dll}
                            --output-delaylib ${_delay}
                    RESULT_VARIABLE _rc ERROR_VARIABLE _err)
    if(NOT _rc EQUAL 0)
        message(FATAL_ERROR "dlltool could not make ${_delay}: ${_err}")
    endif()
endfunction()
