// The separator the program puts between a directory and a name it appends:
// "\" on Windows, as the system writes paths, and "/" on POSIX.
#pragma once

namespace plat {

extern const char kPathSeparator[];

}  // namespace plat
