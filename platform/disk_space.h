// Free space of the volume that holds a directory.
#pragma once

#include <cstdint>

namespace plat {

// Bytes that this process may still write on the volume holding directory
// (GetDiskFreeSpaceExA's caller-available bytes; statvfs's f_bavail blocks).
// False, *bytes untouched, when the directory cannot be asked about.
bool FreeDiskSpace(const char* directory, std::uint64_t* bytes);

}  // namespace plat
