// Everything below a directory, for comparing an install before and after:
// each entry's kind, contents, read-only bit and write time, and for a link
// its target, never followed.
#pragma once

#include <map>
#include <string>

namespace install_snapshot {

using Tree = std::map<std::string, std::string>;  // relative path -> description

Tree Take(const std::string& directory);

}  // namespace install_snapshot
