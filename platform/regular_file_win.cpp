#include "platform/regular_file.h"
#include "platform/scoped_handle.h"
#include "platform/win.h"

namespace plat {
namespace {

struct FileHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) noexcept { ::CloseHandle(h); }
};

}  // namespace

bool IsRegularFileWithin(const char* path, std::uint64_t maxBytes) {
    if (!path) return false;
    DWORD attributes = ::GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    // No access rights asked for: the file's type and size can be read
    // whoever holds it open, and nothing waits on a pipe's other end.
    ScopedHandle<FileHandleTraits> file(
        ::CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    return file.valid() && ::GetFileType(file.get()) == FILE_TYPE_DISK &&
           ::GetFileSizeEx(file.get(), &size) &&
           static_cast<std::uint64_t>(size.QuadPart) <= maxBytes;
}

}  // namespace plat
