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

namespace {

// Read-only files cannot be deleted or overwritten on Windows; checked here
// as well for processes that may write anything (root under Wine).
bool IsReadOnlyFile(const char* path) {
    DWORD a = ::GetFileAttributesA(path);
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY) &&
           (a & FILE_ATTRIBUTE_READONLY);
}

}  // namespace

bool RemoveFile(const char* path) {
    if (IsReadOnlyFile(path)) return false;
    return ::DeleteFileA(path) != FALSE;
}

bool CopyFileOver(const char* from, const char* to) {
    if (IsReadOnlyFile(to)) return false;
    return ::CopyFileA(from, to, FALSE) != FALSE;
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
