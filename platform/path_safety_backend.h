// Path safety backends only: what the walk of JudgePath (path_safety.cpp)
// asks of the platform.
#pragma once

#include <cstddef>
#include <string>

#include "platform/path_safety.h"

namespace plat {

// path in full, a relative one taken from the current directory; false
// when that cannot be formed.
bool FullPath(const char* path, std::string* full);

// The length of the root of a full path ("/"; "C:\" or "\\server\share\");
// 0 for a relative one.
std::size_t RootLength(const std::string& path);

// Whether the entry at path is itself a link (POSIX a symbolic link;
// Windows any reparse point).
bool IsLink(const std::string& path);

// Where the link at path leads: POSIX its text, which may be relative to
// the link's folder; Windows the full final path.
bool LinkTarget(const std::string& link, std::string* target);

inline Safety UnreadableEntry() { return Safety{Safety::Kind::kUnreadable, "", ""}; }

}  // namespace plat
