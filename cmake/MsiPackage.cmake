# Builds the TalCheck MSI from deploy/windows/TalCheck.wxs; signs the programs
# before they go in and the MSI itself when a certificate and key are given.
# Script mode, run by the Windows build (deploy/CMakeLists.txt) and by the
# MSI test with its own test certificate:
#
#   cmake -DWIXL=wixl -DSOURCE=TalCheck.wxs -DVERSION=1.2.3
#         -DTALCHECK_EXE=... -DAUDIT_EXE=... -DTASK_EXE=...
#         -DWORK=dir -DOUTPUT=TalCheck-1.2.3.msi
#         [-DMSIBUILD=msibuild -DTABLES=TalCheck-tables.sql -DWINDRES=windres -DICON=talcheck.ico]
#         [-DSITE_INSTALLDIR=folder] [-DSITE_INSTALLER_HOST=host]
#         [-DSTRIP=x86_64-w64-mingw32-strip]
#         [-DOSSLSIGNCODE=osslsigncode -DCERT=cert.pem -DKEY=key.pem [-DTIMESTAMP_URL=url]]
#         -P MsiPackage.cmake
#
# WORK receives the copies that go into the MSI: without symbols and debug information
# when STRIP is given, signed when CERT and KEY are. With MSIBUILD, the
# statements of TABLES are run on wixl's output and each program's file
# version (read from its version block with WINDRES) goes into the File
# table; without it (an older layout, as the upgrade test builds) the MSI is
# wixl's alone. SITE_INSTALLDIR and SITE_INSTALLER_HOST, when not empty, are
# built in as the defaults of INSTALLDIR and INSTALLERHOST.
cmake_minimum_required(VERSION 3.25)

foreach(_var WIXL SOURCE VERSION TALCHECK_EXE AUDIT_EXE TASK_EXE WORK OUTPUT)
    if(NOT DEFINED ${_var} OR "${${_var}}" STREQUAL "")
        message(FATAL_ERROR "MsiPackage.cmake: ${_var} not given")
    endif()
endforeach()
set(_signing OFF)
if(CERT AND KEY)
    set(_signing ON)
elseif(CERT OR KEY)
    message(FATAL_ERROR "MsiPackage.cmake: signing needs both CERT and KEY")
endif()

# sign(<in> <out>): an Authenticode SHA-256 signature by CERT/KEY.
function(sign in out)
    set(_stamp)
    if(TIMESTAMP_URL)
        set(_stamp -ts ${TIMESTAMP_URL})
    endif()
    execute_process(
        COMMAND ${OSSLSIGNCODE} sign -certs ${CERT} -key ${KEY} -h sha256 -n TalCheck
                ${_stamp} -in ${in} -out ${out}
        RESULT_VARIABLE _rc OUTPUT_VARIABLE _out ERROR_VARIABLE _out)
    if(NOT _rc EQUAL 0)
        message(FATAL_ERROR "signing ${in} failed: ${_out}")
    endif()
endfunction()

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
foreach(_pair "TALCHECK_EXE;TalCheck.exe" "AUDIT_EXE;talcheck-audit.exe" "TASK_EXE;talcheck-task.exe")
    list(GET _pair 0 _var)
    list(GET _pair 1 _name)
    set(_copy ${WORK}/${_name})
    if(STRIP)
        execute_process(COMMAND ${STRIP} --strip-all -o ${_copy} ${${_var}}
                        RESULT_VARIABLE _rc ERROR_VARIABLE _out)
        if(NOT _rc EQUAL 0)
            message(FATAL_ERROR "stripping ${${_var}} failed: ${_out}")
        endif()
    else()
        file(COPY_FILE ${${_var}} ${_copy})
    endif()
    if(_signing)
        sign(${_copy} ${_copy}.signed)
        file(RENAME ${_copy}.signed ${_copy})
    endif()
endforeach()

string(REGEX MATCH "^([0-9]+\\.[0-9]+)\\.([0-9]+)$" _matched "${VERSION}")
if(NOT _matched)
    message(FATAL_ERROR "MsiPackage.cmake: VERSION ${VERSION} is not major.minor.patch")
endif()
math(EXPR _patch "${CMAKE_MATCH_2} + 1")
set(_next "${CMAKE_MATCH_1}.${_patch}")

set(_defines -D Version=${VERSION} -D NextPatch=${_next})
if(ICON)
    file(COPY_FILE ${ICON} ${WORK}/talcheck.ico)  # wixl takes no absolute paths
    list(APPEND _defines -D Icon=talcheck.ico)
endif()
# Without its final backslash, which would escape the list's separator;
# the MSI resolves the folder with one.
string(REGEX REPLACE "[\\/]+$" "" _site_dir "${SITE_INSTALLDIR}")
if(NOT _site_dir STREQUAL "")
    list(APPEND _defines -D SiteInstallDir=${_site_dir})
endif()
if(NOT "${SITE_INSTALLER_HOST}" STREQUAL "")
    list(APPEND _defines -D SiteInstallerHost=${SITE_INSTALLER_HOST})
endif()
set(_unsigned ${WORK}/unsigned.msi)
execute_process(
    COMMAND ${WIXL} -a x64 ${_defines} -o ${_unsigned} ${SOURCE}
    WORKING_DIRECTORY ${WORK}  # wixl takes the files' names relative to it
    RESULT_VARIABLE _rc OUTPUT_VARIABLE _out ERROR_VARIABLE _out)
if(NOT _rc EQUAL 0)
    message(FATAL_ERROR "wixl failed: ${_out}")
endif()

# file_version(<exe> <out>): the FILEVERSION of the program's version block
# as windres writes it back ("1.2.3.0"; windres leaves out a version of 0),
# or empty when the program has no version block.
function(file_version exe out)
    execute_process(COMMAND ${WINDRES} -J coff -O rc -i ${exe}
                    RESULT_VARIABLE _rc OUTPUT_VARIABLE _rc_text ERROR_QUIET)
    set(_version "")
    if(_rc EQUAL 0 AND _rc_text MATCHES "\n[0-9]+ VERSIONINFO\n")
        set(_version 0.0.0.0)
        if(_rc_text MATCHES "VERSIONINFO\n(  *[A-Z]+[^\n]*\n)*  *FILEVERSION ([0-9]+), *([0-9]+), *([0-9]+), *([0-9]+)")
            set(_version ${CMAKE_MATCH_2}.${CMAKE_MATCH_3}.${CMAKE_MATCH_4}.${CMAKE_MATCH_5})
        endif()
    endif()
    set(${out} ${_version} PARENT_SCOPE)
endfunction()

# msibuild(<statement>): runs one SQL statement on the unsigned MSI. One at
# a time, always quoted: a statement may hold semicolons.
function(msibuild statement)
    execute_process(COMMAND ${MSIBUILD} ${_unsigned} -q "${statement}"
                    RESULT_VARIABLE _rc OUTPUT_VARIABLE _out ERROR_VARIABLE _out)
    if(NOT _rc EQUAL 0 OR NOT _out STREQUAL "")
        message(FATAL_ERROR "msibuild failed on ${statement}: ${_out}")
    endif()
endfunction()

if(MSIBUILD)
    # Line by line without lists, which would split at semicolons.
    file(READ ${TABLES} _text)
    while(NOT _text STREQUAL "")
        string(FIND "${_text}" "\n" _end)
        if(_end EQUAL -1)
            string(LENGTH "${_text}" _end)
        endif()
        string(SUBSTRING "${_text}" 0 ${_end} _line)
        math(EXPR _end "${_end} + 1")
        string(SUBSTRING "${_text}" ${_end} -1 _text)
        if(_line MATCHES "^[A-Z]")
            msibuild("${_line}")
        endif()
    endwhile()
    foreach(_pair "TALCHECK_EXE;TalCheckExe" "AUDIT_EXE;AuditExe" "TASK_EXE;TaskExe")
        list(GET _pair 0 _var)
        list(GET _pair 1 _key)
        file_version(${${_var}} _version)
        if(_version)
            msibuild("UPDATE `File` SET `Version` = '${_version}' WHERE `File` = '${_key}'")
        else()
            message(WARNING "${${_var}} has no version block: no version in the File table")
        endif()
    endforeach()
endif()
file(REMOVE ${OUTPUT})
if(_signing)
    sign(${_unsigned} ${OUTPUT})
    file(REMOVE ${_unsigned})
else()
    file(RENAME ${_unsigned} ${OUTPUT})
endif()
