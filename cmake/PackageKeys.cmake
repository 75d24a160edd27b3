# The compiled-in package keys: a source file defining sig::CompiledPackageKeys()
# (signature/package_keys.h) from minisign public key lines.
#
# As an include: talcheck_package_keys_source(<keys> <output.cpp>) checks that
# every blank-separated word of <keys> is a minisign public key line and
# writes the source.
# As a script (cmake -DPUBLIC_KEY_DIR=dir -DOUTPUT=x.cpp -P ...): the same
# from the key lines of the minisign public key files dir/*.pub, at build time.
set(_package_keys_template "${CMAKE_CURRENT_LIST_DIR}/../signature/compiled_package_keys.cpp.in")

function(talcheck_package_keys_source keys output)
    string(REGEX MATCHALL "[^ \t\r\n]+" _words "${keys}")
    foreach(_key IN LISTS _words)
        # 42 bytes in base64, the first two "Ed" (Ed25519).
        string(LENGTH "${_key}" _length)
        if(NOT _key MATCHES "^RW[A-Za-z0-9+/]+$" OR NOT _length EQUAL 56)
            message(FATAL_ERROR "not a minisign public key line: '${_key}'")
        endif()
    endforeach()
    string(JOIN " " _package_keys_text ${_words})
    configure_file("${_package_keys_template}" "${output}" @ONLY)
endfunction()

if(CMAKE_SCRIPT_MODE_FILE AND DEFINED OUTPUT)
    set(_all "")
    file(GLOB _files "${PUBLIC_KEY_DIR}/*.pub")
    list(SORT _files)
    foreach(_file IN LISTS _files)
        file(STRINGS "${_file}" _lines REGEX "^RW")
        string(APPEND _all " ${_lines}")
    endforeach()
    talcheck_package_keys_source("${_all}" "${OUTPUT}")
endif()
