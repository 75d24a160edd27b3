// The public keys that every package must be signed with, compiled into the
// program from the build setting TALCHECK_PACKAGE_KEYS: minisign public key
// lines separated by blanks, or empty when packages are not checked. No
// environment variable or file can change them at run time. Defined by the
// one keys library a program links (cmake/PackageKeys.cmake); read them with
// sig::PackageKeys (signature/package_check.h).
#pragma once

namespace sig {

const char* CompiledPackageKeys();

}  // namespace sig
