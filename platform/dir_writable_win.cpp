#include "platform/dir_writable.h"

#include <string>

#include "platform/win_handle.h"

namespace plat {
DirWritable CheckDirWritable(const char* path) {
    DWORD attributes = path ? ::GetFileAttributesA(path) : INVALID_FILE_ATTRIBUTES;
    if (attributes == INVALID_FILE_ATTRIBUTES) return DirWritable::kMissing;
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return DirWritable::kLink;
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return DirWritable::kMissing;
    // The directory itself, for its times; never through a link.
    ScopedFile directory = Owned(::CreateFileA(
        path, FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
        FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    FILETIME created{}, accessed{}, written{};
    bool timesKept = directory && ::GetFileTime(Native(directory), &created, &accessed, &written);
    std::string probe =
        std::string(path) + "\\talcheck-audit-" + std::to_string(::GetCurrentProcessId()) + ".tmp";
    ScopedFile file = Owned(::CreateFileA(
        probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
        FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT,
        nullptr));
    const bool made = file.valid();
    file.reset();
    if (timesKept) ::SetFileTime(Native(directory), &created, &accessed, &written);
    return made ? DirWritable::kYes : DirWritable::kNo;
}

}  // namespace plat
