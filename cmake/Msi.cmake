# The MSI of the Windows build: TalCheck-<version>.msi in the deploy build
# folder, made by MsiPackage.cmake whenever wixl is installed. With
# TALCHECK_SIGNING_CERT and TALCHECK_SIGNING_KEY set, the programs in it and
# the MSI are signed (osslsigncode, required then).
find_program(TALCHECK_WIXL wixl)
find_program(TALCHECK_OSSLSIGNCODE osslsigncode)
set(TALCHECK_MSI "")
if(NOT TALCHECK_WIXL)
    message(STATUS "wixl not found: no MSI (tools/setup.sh installs it)")
    return()
endif()

set(_sign_args)
if(TALCHECK_SIGNING_CERT OR TALCHECK_SIGNING_KEY)
    if(NOT TALCHECK_SIGNING_CERT OR NOT TALCHECK_SIGNING_KEY)
        message(FATAL_ERROR "Signing needs both TALCHECK_SIGNING_CERT and TALCHECK_SIGNING_KEY")
    endif()
    if(NOT TALCHECK_OSSLSIGNCODE)
        message(FATAL_ERROR "Signing needs osslsigncode (tools/setup.sh installs it)")
    endif()
    set(_sign_args -DOSSLSIGNCODE=${TALCHECK_OSSLSIGNCODE} -DCERT=${TALCHECK_SIGNING_CERT}
                   -DKEY=${TALCHECK_SIGNING_KEY} -DTIMESTAMP_URL=${TALCHECK_SIGNING_TIMESTAMP_URL})
endif()

set(TALCHECK_MSI ${CMAKE_CURRENT_BINARY_DIR}/TalCheck-${PROJECT_VERSION}.msi)
set(_script ${PROJECT_SOURCE_DIR}/cmake/MsiPackage.cmake)
set(_wxs ${PROJECT_SOURCE_DIR}/deploy/windows/TalCheck.wxs)
add_custom_command(OUTPUT ${TALCHECK_MSI}
    COMMAND ${CMAKE_COMMAND} -DWIXL=${TALCHECK_WIXL} -DSOURCE=${_wxs} -DVERSION=${PROJECT_VERSION}
            -DTALCHECK_EXE=$<TARGET_FILE:TalCheck> -DAUDIT_EXE=$<TARGET_FILE:talcheck-audit>
            -DTASK_EXE=$<TARGET_FILE:talcheck-task> -DWORK=${CMAKE_CURRENT_BINARY_DIR}/msi
            -DOUTPUT=${TALCHECK_MSI} -DSTRIP=${CMAKE_STRIP} ${_sign_args} -P ${_script}
    DEPENDS TalCheck talcheck-audit talcheck-task ${_wxs} ${_script}
            ${TALCHECK_SIGNING_CERT} ${TALCHECK_SIGNING_KEY}
    COMMENT "Building TalCheck-${PROJECT_VERSION}.msi")
add_custom_target(talcheck_msi ALL DEPENDS ${TALCHECK_MSI})
