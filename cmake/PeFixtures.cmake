# Windows executables used as test inputs, made with the MinGW-w64 resource
# compiler and linker on every preset (the native build too), so that both
# backends read the very same files.
# The tools are found by Testing.cmake (TALCHECK_NEEDS_MINGW).

# talcheck_pe_fixtures(<target> OUTPUT_DIR <dir> STUB <file.c> RESOURCES <file.rc>...
#                      [INCLUDES <dir>...] [DEPENDS <file>...])
# Makes <dir>/<name>.exe for each <name>.rc: the stub program linked with the
# compiled resources, stripped, without a link time stamp. INCLUDES are
# searched by the resource compiler; DEPENDS are files the resources include.
function(talcheck_pe_fixtures target)
    cmake_parse_arguments(F "" "OUTPUT_DIR;STUB" "RESOURCES;INCLUDES;DEPENDS" ${ARGN})
    list(TRANSFORM F_INCLUDES PREPEND -I)
    set(objects ${CMAKE_CURRENT_BINARY_DIR}/${target}.dir)
    get_filename_component(stub_source ${F_STUB} ABSOLUTE)
    set(stub ${objects}/stub.o)
    add_custom_command(OUTPUT ${stub}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${objects} ${F_OUTPUT_DIR}
        COMMAND ${TALCHECK_MINGW_CC} -c -o ${stub} ${stub_source}
        DEPENDS ${stub_source}
        VERBATIM)
    set(outputs)
    foreach(rc IN LISTS F_RESOURCES)
        get_filename_component(name ${rc} NAME_WE)
        get_filename_component(rc_source ${rc} ABSOLUTE)
        set(exe ${F_OUTPUT_DIR}/${name}.exe)
        add_custom_command(OUTPUT ${exe}
            COMMAND ${TALCHECK_MINGW_WINDRES} ${F_INCLUDES} -O coff -i ${rc_source}
                    -o ${objects}/${name}.res.o
            COMMAND ${TALCHECK_MINGW_CC} -s -Wl,--no-insert-timestamp -o ${exe} ${stub}
                    ${objects}/${name}.res.o
            DEPENDS ${rc_source} ${stub} ${F_DEPENDS}
            COMMENT "Making test executable ${name}.exe"
            VERBATIM)
        list(APPEND outputs ${exe})
    endforeach()
    add_custom_target(${target} ALL DEPENDS ${outputs})
endfunction()
