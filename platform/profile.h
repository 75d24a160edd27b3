// Reading one value from an .ini-style profile file, as
// GetPrivateProfileStringA does:
// - section and key names compare without regard to letter case; blanks
//   around the names in the request are ignored;
// - only the first section of a name is searched, and in it the first key of
//   the name;
// - the value is the text after the first "=", with blanks on both sides
//   removed; one pair of matching quotes (' or ") around it is removed too;
// - at most size - 1 characters and a terminator are written; a quoted value
//   that is cut keeps its opening quote stripped but nothing else changes;
// - a missing file, section or key gives the default (its trailing blanks
//   removed), cut in the same way.
// - a file that is not a regular file (a directory, a FIFO, a device or a
//   link to one) or is larger than kMaxProfileBytes counts as missing.
// Returns the number of characters written, not counting the terminator.
// Windows calls GetPrivateProfileStringA; POSIX reads the file with these
// rules (ANSI text; a UTF-8 byte-order mark is skipped).
#pragma once

#include <cstddef>

namespace plat {

std::size_t ReadProfileString(const char* section, const char* key, const char* defaultValue,
                              char* buffer, std::size_t size, const char* fileName);

}  // namespace plat
