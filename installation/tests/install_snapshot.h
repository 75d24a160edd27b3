// Everything below a directory, for comparing an install before and after:
// each entry's kind, contents, read-only bit and write time, and for a link
// its target, never followed.
#pragma once

#include <map>
#include <string>

namespace install_snapshot {

using Tree = std::map<std::string, std::string>;  // relative path -> description

Tree Take(const std::string& directory);

// The package name the install tests put in place.
constexpr const char* kPackage = "5.10.0123.zip";

}  // namespace install_snapshot
