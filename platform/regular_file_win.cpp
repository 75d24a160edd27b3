#include "platform/regular_file.h"
#include "platform/win_handle.h"

namespace plat {

bool IsRegularFileWithin(const char* path, std::uint64_t maxBytes) {
    if (!path) return false;
    DWORD attributes = ::GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    // No access rights asked for: the file's type and size can be read
    // whoever holds it open, and nothing waits on a pipe's other end.
    ScopedFile file =
        Owned(::CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    return file.valid() && ::GetFileType(Native(file)) == FILE_TYPE_DISK &&
           ::GetFileSizeEx(Native(file), &size) &&
           static_cast<std::uint64_t>(size.QuadPart) <= maxBytes;
}

}  // namespace plat
