#include "platform/file_system.h"

#include <direct.h>
#include <io.h>

#include "platform/win.h"
#include "platform/win_handle.h"

#include <shlwapi.h>

namespace plat {

std::uint32_t ReadAttributes(const char* path) { return ::GetFileAttributesA(path); }

bool CreateDirectoryLevel(const char* path) { return ::CreateDirectoryA(path, nullptr) != FALSE; }

bool PathExists(const char* path) { return ::_access(path, 0) == 0; }

bool MakeDirectory(const char* path) { return ::_mkdir(path) == 0; }

bool IsDirectory(const char* path) { return ::PathIsDirectoryA(path) != FALSE; }

bool RemoveFile(const char* path) {
    // Windows refuses a read-only file; refused here as well for processes
    // that may delete anything (root under Wine).
    DWORD a = ::GetFileAttributesA(path);
    if (a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY) &&
        (a & FILE_ATTRIBUTE_READONLY))
        return false;
    return ::DeleteFileA(path) != FALSE;
}

FileTime ReadWriteTime(const char* path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return 0;
    return (static_cast<FileTime>(data.ftLastWriteTime.dwHighDateTime) << 32) |
           data.ftLastWriteTime.dwLowDateTime;
}

PathKind InspectPath(const char* path) {
    // GetFileAttributesA reports a link's own attributes, never its target's.
    DWORD a = ::GetFileAttributesA(path);
    if (a == INVALID_FILE_ATTRIBUTES)
        return IsMissing(::GetLastError()) ? PathKind::kMissing : PathKind::kOther;
    if (a & FILE_ATTRIBUTE_REPARSE_POINT) return PathKind::kLink;
    return (a & FILE_ATTRIBUTE_DIRECTORY) ? PathKind::kDirectory : PathKind::kFile;
}

bool RemoveDirectoryLevel(const char* path) { return ::RemoveDirectoryA(path) != FALSE; }

bool SetAttributes(const char* path, std::uint32_t attributes) {
    return ::SetFileAttributesA(path, attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes) !=
           FALSE;
}

}  // namespace plat
