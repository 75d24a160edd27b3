#include "platform/dir_writable.h"

#include <string>

#include "platform/scoped_handle.h"
#include "platform/win.h"

namespace plat {
namespace {

struct FileTraits {
    using Handle = HANDLE;
    static Handle Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) noexcept { ::CloseHandle(h); }
};
using ScopedFile = ScopedHandle<FileTraits>;

// The directory itself, for its times; never through a link.
ScopedFile OpenForTimes(const char* path) {
    return ScopedFile(::CreateFileA(path, FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                    nullptr));
}

}  // namespace

DirWritable CheckDirWritable(const char* path) {
    DWORD attributes = path ? ::GetFileAttributesA(path) : INVALID_FILE_ATTRIBUTES;
    if (attributes == INVALID_FILE_ATTRIBUTES) return DirWritable::kMissing;
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return DirWritable::kLink;
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return DirWritable::kMissing;
    ScopedFile directory = OpenForTimes(path);
    FILETIME created{}, accessed{}, written{};
    bool timesKept = directory && ::GetFileTime(directory.get(), &created, &accessed, &written);
    std::string probe = std::string(path) + "\\talcheck-audit-" +
                        std::to_string(::GetCurrentProcessId()) + ".tmp";
    ScopedFile file(::CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE |
                                      FILE_FLAG_OPEN_REPARSE_POINT,
                                  nullptr));
    const bool made = file.valid();
    file.reset();
    if (timesKept) ::SetFileTime(directory.get(), &created, &accessed, &written);
    return made ? DirWritable::kYes : DirWritable::kNo;
}

}  // namespace plat
