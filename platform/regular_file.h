// Whether a path names a plain file of bounded size, before a system call
// that would read whatever the path names (a device, a pipe, a huge file)
// is given it.
#pragma once

#include <cstdint>

namespace plat {

// Files the program reads whole or maps: station.ini and frontend.exe.
constexpr std::uint64_t kMaxProfileBytes = 1024 * 1024;           // station.ini is a few lines
constexpr std::uint64_t kMaxExecutableBytes = 512 * 1024 * 1024;  // frontend.exe is tens of MB

// True when path (links followed) is a regular file on a disk of at most
// maxBytes bytes. Windows opens it without waiting (GetFileType must be
// FILE_TYPE_DISK); POSIX asks stat. The answer may change the next moment;
// readers on POSIX check the descriptor they read from as well.
bool IsRegularFileWithin(const char* path, std::uint64_t maxBytes);

}  // namespace plat
