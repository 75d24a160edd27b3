// Process and machine facts: working directory, computer name, local time.
#pragma once

#include <cstddef>

namespace plat {

// Current working directory into buf (size bytes), as _getcwd does. Windows
// gives "C:\dir"; POSIX gives "/dir". Returns false, buf untouched, when the
// directory does not fit or cannot be read.
bool GetWorkingDirectory(char* buf, std::size_t size);

// The computer's name as GetComputerNameA gives it: size is the capacity in
// characters including the terminator; a longer name fails and leaves buf
// untouched. POSIX uses the host name up to its first dot, in upper case,
// as NetBIOS names are written.
bool GetComputerName(char* buf, std::size_t size);

struct TimeOfDay {
    int hour;    // 0..23
    int minute;  // 0..59
    int second;  // 0..59
};

// The local time of day (GetLocalTime on Windows, localtime_r on POSIX).
TimeOfDay GetLocalTimeOfDay();

}  // namespace plat
