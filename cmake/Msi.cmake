# The MSI of the Windows build: TalCheck-<version>.msi in the deploy build
# folder, made by MsiPackage.cmake whenever wixl and msitools are installed.
# With TALCHECK_SIGNING_CERT and TALCHECK_SIGNING_KEY set, the programs in it
# and the MSI are signed (osslsigncode, required then). A site MSI carries
# its INSTALLDIR and INSTALLERHOST as defaults, so that it installs with no
# property (Group Policy passes none).
set(TALCHECK_SITE_INSTALLDIR "" CACHE STRING
    "Site MSI: the station folder built in as INSTALLDIR's default; empty: none")
set(TALCHECK_SITE_INSTALLER_HOST "" CACHE STRING
    "Site MSI: the installer server built in as INSTALLERHOST's default; empty: none")
find_program(TALCHECK_WIXL wixl)
find_program(TALCHECK_MSIBUILD msibuild)
find_program(TALCHECK_OSSLSIGNCODE osslsigncode)
set(TALCHECK_MSI "")
if(NOT TALCHECK_WIXL OR NOT TALCHECK_MSIBUILD)
    message(STATUS "wixl or msibuild not found: no MSI (tools/setup.sh installs them)")
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
set(_tables ${PROJECT_SOURCE_DIR}/deploy/windows/TalCheck-tables.sql)
set(_icon ${PROJECT_BINARY_DIR}/res/talcheck.ico)  # made by res/ (talcheck_icon)
add_custom_command(OUTPUT ${TALCHECK_MSI}
    COMMAND ${CMAKE_COMMAND} -DWIXL=${TALCHECK_WIXL} -DSOURCE=${_wxs} -DVERSION=${PROJECT_VERSION}
            -DTALCHECK_EXE=$<TARGET_FILE:TalCheck> -DAUDIT_EXE=$<TARGET_FILE:talcheck-audit>
            -DTASK_EXE=$<TARGET_FILE:talcheck-task> -DWORK=${CMAKE_CURRENT_BINARY_DIR}/msi
            -DOUTPUT=${TALCHECK_MSI} -DSTRIP=${CMAKE_STRIP} -DMSIBUILD=${TALCHECK_MSIBUILD}
            -DTABLES=${_tables} -DWINDRES=${CMAKE_RC_COMPILER} -DICON=${_icon}
            "-DSITE_INSTALLDIR=${TALCHECK_SITE_INSTALLDIR}"
            "-DSITE_INSTALLER_HOST=${TALCHECK_SITE_INSTALLER_HOST}" ${_sign_args} -P ${_script}
    DEPENDS TalCheck talcheck-audit talcheck-task talcheck_icon ${_icon} ${_wxs} ${_tables} ${_script}
            ${TALCHECK_SIGNING_CERT} ${TALCHECK_SIGNING_KEY}
    COMMENT "Building TalCheck-${PROJECT_VERSION}.msi" VERBATIM)
add_custom_target(talcheck_msi ALL DEPENDS ${TALCHECK_MSI})
