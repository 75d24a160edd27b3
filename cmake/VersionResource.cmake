# Version blocks of the Windows programs other than TalCheck.exe, whose own
# block is res/talcheck_version.rc. Each is made from
# res/program_version.rc.in and carries the release version of
# release_version.h as its fixed and string table versions.

# talcheck_version_rc_path(<out-var> <program>): where the block of
# <program> is written.
function(talcheck_version_rc_path out program)
    set(${out} ${CMAKE_BINARY_DIR}/res/versions/${program}.rc PARENT_SCOPE)
endfunction()

# talcheck_version_resource(<program> <description>)
# Writes the version block of <program> on every platform (the version tests
# of res/tests read it back on both) and, on Windows, links it into the
# program's target: as an object library of its own, since the resource
# compiler takes none of the C++ options of talcheck_options.
function(talcheck_version_resource program description)
    set(TALCHECK_PROGRAM_NAME ${program})
    set(TALCHECK_PROGRAM_FILE ${program}.exe)
    set(TALCHECK_PROGRAM_DESCRIPTION "${description}")
    talcheck_version_rc_path(rc ${program})
    configure_file(${PROJECT_SOURCE_DIR}/res/program_version.rc.in ${rc} @ONLY)
    if(NOT WIN32)
        return()
    endif()
    add_library(${program}_version OBJECT ${rc})
    target_include_directories(${program}_version PRIVATE ${CMAKE_BINARY_DIR}/generated)
    set_property(SOURCE ${rc} APPEND PROPERTY OBJECT_DEPENDS
                 ${CMAKE_BINARY_DIR}/generated/release_version.h)
    target_link_libraries(${program} PRIVATE ${program}_version)
endfunction()
