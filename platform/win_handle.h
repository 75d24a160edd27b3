// Windows backends only: a Win32 file or directory HANDLE held in the
// project's ScopedFile, which keeps it as an intptr_t, and what the file
// backends share.
#pragma once

#include <cstdint>

#include "platform/file_handle.h"
#include "platform/win.h"

namespace plat {

inline ScopedFile Owned(HANDLE h) { return ScopedFile(reinterpret_cast<std::intptr_t>(h)); }
inline HANDLE Native(const ScopedFile& h) { return reinterpret_cast<HANDLE>(h.get()); }

// The error of a call on a name that does not exist.
inline bool IsMissing(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

}  // namespace plat
