# Builds the TalCheck MSI from deploy/windows/TalCheck.wxs; signs the programs
# before they go in and the MSI itself when a certificate and key are given.
# Script mode, run by the Windows build (deploy/CMakeLists.txt) and by the
# MSI test with its own test certificate:
#
#   cmake -DWIXL=wixl -DSOURCE=TalCheck.wxs -DVERSION=1.2.3
#         -DTALCHECK_EXE=... -DAUDIT_EXE=... -DTASK_EXE=...
#         -DWORK=dir -DOUTPUT=TalCheck-1.2.3.msi
#         [-DSTRIP=x86_64-w64-mingw32-strip]
#         [-DOSSLSIGNCODE=osslsigncode -DCERT=cert.pem -DKEY=key.pem [-DTIMESTAMP_URL=url]]
#         -P MsiPackage.cmake
#
# WORK receives the copies that go into the MSI: without symbols and debug information
# when STRIP is given, signed when CERT and KEY are.
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

set(_unsigned ${WORK}/unsigned.msi)
execute_process(
    COMMAND ${WIXL} -a x64 -D Version=${VERSION} -D NextPatch=${_next} -o ${_unsigned} ${SOURCE}
    WORKING_DIRECTORY ${WORK}  # wixl takes the files' names relative to it
    RESULT_VARIABLE _rc OUTPUT_VARIABLE _out ERROR_VARIABLE _out)
if(NOT _rc EQUAL 0)
    message(FATAL_ERROR "wixl failed: ${_out}")
endif()
file(REMOVE ${OUTPUT})
if(_signing)
    sign(${_unsigned} ${OUTPUT})
    file(REMOVE ${_unsigned})
else()
    file(RENAME ${_unsigned} ${OUTPUT})
endif()
