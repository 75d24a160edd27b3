// The FileVersion text of an executable's version resource.
#pragma once

#include <cstddef>

namespace plat {

// Reads the value "\StringFileInfo\040904e4\FileVersion" of the file at path
// into buffer (size bytes, zero-filled by the caller).
//
// Returns false when the file has no version information at all (also when
// it cannot be opened, is not a regular file of at most
// plat::kMaxExecutableBytes, is not a PE file, or is truncated or malformed), with
// buffer untouched. Returns true when it has: if the value exists, buffer
// receives at most size - 1 characters and the rest of it is zeroed; if it
// does not (no block for language 0409 / code page 04E4), buffer is
// untouched. Block and value names are compared without regard to case.
//
// Windows asks the system's version API (GetFileVersionInfoSizeA,
// GetFileVersionInfoA, VerQueryValueA). POSIX reads the file's headers,
// section table and resource tree itself (platform/pe_version.h) and turns
// the UTF-16 text into code page 1252, writing "?" for characters outside it;
// Windows converts to the system's ANSI code page, and for some characters
// outside 1252 writes a look-alike instead (U+03A9 becomes "O").
bool ReadFileVersion(const char* path, char* buffer, std::size_t size);

}  // namespace plat
