#include "platform/file_handle.h"

#include "platform/regular_file.h"
#include "platform/tree_recording.h"
#include "platform/win.h"

namespace plat {

namespace {

HANDLE Native(std::intptr_t h) { return reinterpret_cast<HANDLE>(h); }

FILETIME ToFiletime(FileTime t) {
    FILETIME ft;
    ft.dwLowDateTime = static_cast<DWORD>(t & 0xFFFFFFFFu);
    ft.dwHighDateTime = static_cast<DWORD>(t >> 32);
    return ft;
}

// The file CreateFile opened, or the reason it did not.
File Opened(HANDLE h) {
    File file = File::Adopt(reinterpret_cast<std::intptr_t>(h));
    if (!file.valid()) file = File::Failed(static_cast<int>(::GetLastError()));
    return file;
}

// The file CreateFile opened when it is a file on a disk (no pipe or device).
File DiskFileOnly(HANDLE h) {
    File file = Opened(h);
    if (file.valid() && ::GetFileType(h) != FILE_TYPE_DISK)
        return File::Failed(ERROR_INVALID_PARAMETER);
    return file;
}

// A link (reparse point) at path goes as itself, never its target.
void RemoveLink(const char* path) {
    DWORD existing = ::GetFileAttributesA(path);
    if (existing != INVALID_FILE_ATTRIBUTES && (existing & FILE_ATTRIBUTE_REPARSE_POINT) &&
        !(existing & FILE_ATTRIBUTE_DIRECTORY))
        ::DeleteFileA(path);
}

}  // namespace

void CloseNativeFile(std::intptr_t handle) noexcept {
    RecordFileClosed(handle);
    ::CloseHandle(Native(handle));
}

bool File::Fail() const {
    error_ = static_cast<int>(::GetLastError());
    return false;
}

File File::OpenForRead(const char* path) {
    HANDLE h = ::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    // A pipe or device under the name is no file to read whole.
    return DiskFileOnly(h);
}

File File::CreateAlways(const char* path, std::uint32_t attributes) {
    // Windows refuses to replace a read-only file, or a hidden or system one
    // whose bit the new attributes lack. The refusal is checked here too,
    // because a process that may write anything (root under Wine) would
    // otherwise replace the file.
    DWORD existing = ::GetFileAttributesA(path);
    bool exists = existing != INVALID_FILE_ATTRIBUTES && !(existing & FILE_ATTRIBUTE_DIRECTORY);
    DWORD guarded = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    if (exists && ((existing & FILE_ATTRIBUTE_READONLY) || (existing & guarded & ~attributes))) {
        ::SetLastError(ERROR_ACCESS_DENIED);
        return Failed(ERROR_ACCESS_DENIED);
    }
    HANDLE h = ::CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, attributes, nullptr);
    // A replaced file takes the new attributes; not every implementation
    // applies them to a file that existed.
    File file = Opened(h);
    if (file.valid() && exists) ::SetFileAttributesA(path, attributes);
    return file;
}

File File::CreateReplacingLink(const char* path) {
    RemoveLink(path);
    // FILE_FLAG_OPEN_REPARSE_POINT: a link planted again meanwhile is
    // replaced itself rather than followed.
    HANDLE h = ::CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    return DiskFileOnly(h);
}

File File::CreateNew(const char* path, std::uint32_t attributes) {
    // With FILE_FLAG_OPEN_REPARSE_POINT a link at the name is the name itself,
    // so CREATE_NEW meets it as an existing file instead of following it.
    HANDLE h = ::CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                             attributes | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    return Opened(h);
}

File File::OpenForAppend(const char* path, bool truncate) {
    // Append-only access writes every line at the end; emptying needs write access.
    DWORD access = truncate ? GENERIC_WRITE : FILE_APPEND_DATA;
    HANDLE h = ::CreateFileA(path, access, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    File file = Opened(h);
    if (!file.valid()) return file;
    // The reparse point was opened as itself; it is no file to write lines to.
    BY_HANDLE_FILE_INFORMATION info;
    if (!::GetFileInformationByHandle(h, &info)) return Failed(static_cast<int>(::GetLastError()));
    if (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY))
        return Failed(ERROR_INVALID_PARAMETER);
    // A second link may name a file elsewhere: neither emptied nor written.
    if (info.nNumberOfLinks != 1) return Failed(ERROR_TOO_MANY_LINKS);
    if (truncate && !::SetEndOfFile(h)) return Failed(static_cast<int>(::GetLastError()));
    return file;
}

File File::CreatePackage(const char* path) {
    // Whatever file has the name goes as itself: a hard link there would
    // otherwise be emptied and written, and CREATE_ALWAYS would do so. A
    // directory or a read-only file stays and fails CREATE_NEW.
    ::DeleteFileA(path);
    // Read sharing only: nobody can write, rename or delete the new file
    // until it is closed.
    HANDLE h =
        ::CreateFileA(path, GENERIC_READ | GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr,
                      CREATE_NEW, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    File file = DiskFileOnly(h);
    BY_HANDLE_FILE_INFORMATION info;
    if (file.valid() && (!::GetFileInformationByHandle(h, &info) ||
                         (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)))
        return Failed(ERROR_INVALID_PARAMETER);
    return file;
}

File File::OpenPackage(const char* path, std::uint64_t maxBytes, FileTrust* trust) {
    FileTrust judged = FileTrust::kUnknown;
    if (!trust) trust = &judged;
    // The name itself, never followed: a link or directory is refused
    // before anything is opened.
    DWORD attributes = ::GetFileAttributesA(path);
    *trust = attributes == INVALID_FILE_ATTRIBUTES ? FileTrust::kMissing
             : attributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)
                 ? FileTrust::kNotRegular
                 : FileTrust::kUnknown;
    // Asked first without any access: a pipe under the name is never opened
    // for reading, which could wait for its other end.
    if (*trust != FileTrust::kUnknown || !IsRegularFileWithin(path, maxBytes))
        return Failed(*trust == FileTrust::kMissing ? static_cast<int>(::GetLastError())
                                                    : ERROR_INVALID_PARAMETER);
    HANDLE h =
        ::CreateFileA(path, GENERIC_READ | GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr,
                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    File file = Opened(h);
    if (!file.valid()) return file;
    std::uint64_t size = 0;
    *trust = JudgeOpenFile(file);
    if (*trust != FileTrust::kTrusted || !file.Size(&size) || size > maxBytes)
        return Failed(ERROR_INVALID_PARAMETER);
    return file;
}

File File::Duplicate() const {
    HANDLE out = INVALID_HANDLE_VALUE;
    if (!valid()) return Failed(ERROR_INVALID_HANDLE);
    if (!::DuplicateHandle(::GetCurrentProcess(), Native(handle_.get()), ::GetCurrentProcess(),
                           &out, 0, FALSE, DUPLICATE_SAME_ACCESS))
        return Failed(static_cast<int>(::GetLastError()));
    return File(reinterpret_cast<std::intptr_t>(out));
}

bool File::IsNamedBy(const char* path) const {
    if (!valid() || path == nullptr) return false;
    // No access asked for: only the identity is read, whoever holds the name.
    ScopedHandle<NativeFileTraits> named(reinterpret_cast<std::intptr_t>(::CreateFileA(
        path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr)));
    BY_HANDLE_FILE_INFORMATION a, b;
    return named.valid() && ::GetFileInformationByHandle(Native(named.get()), &a) &&
           ::GetFileInformationByHandle(Native(handle_.get()), &b) &&
           !(a.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) &&
           a.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
           a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
}

bool File::RemoveIfNamedBy(const char* path) const {
    // Sharing without delete keeps every other way out, so the name is
    // removed through the handle itself.
    FILE_DISPOSITION_INFO disposition{};
    disposition.DeleteFile = TRUE;
    if (!IsNamedBy(path)) return false;
    return ::SetFileInformationByHandle(Native(handle_.get()), FileDispositionInfo, &disposition,
                                        sizeof disposition) != FALSE ||
           Fail();
}

bool File::Size(std::uint64_t* size) const {
    LARGE_INTEGER value{};
    if (!::GetFileSizeEx(Native(handle_.get()), &value)) return Fail();
    *size = static_cast<std::uint64_t>(value.QuadPart);
    return true;
}

bool File::Truncate(std::uint64_t size) {
    return Seek(static_cast<std::int64_t>(size), SeekOrigin::kBegin, nullptr) &&
           ((::SetEndOfFile(Native(handle_.get())) &&
             RecordFileEvent(*this, TreeOp::kTruncate, size, 0)) ||
            Fail());
}

std::int64_t File::ReadAt(std::uint64_t offset, void* buffer, std::size_t size) {
    DWORD want = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
    OVERLAPPED at = {};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD got = 0;
    if (::ReadFile(Native(handle_.get()), buffer, want, &got, &at)) return got;
    // A synchronous handle read at an offset reports the end as a failure.
    if (::GetLastError() == ERROR_HANDLE_EOF) return 0;
    Fail();
    return -1;
}

std::int64_t File::Read(void* buffer, std::size_t size) {
    DWORD want = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
    DWORD got = 0;
    if (!::ReadFile(Native(handle_.get()), buffer, want, &got, nullptr)) {
        Fail();
        return -1;
    }
    return got;
}

bool File::Write(const void* buffer, std::size_t size) {
    const char* p = static_cast<const char*>(buffer);
    std::size_t whole = size;
    while (size > 0) {
        DWORD chunk = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
        DWORD written = 0;
        BOOL put = ::WriteFile(Native(handle_.get()), p, chunk, &written, nullptr);
        if (put && written == 0)
            ::SetLastError(ERROR_DISK_FULL);  // nothing written, no reason given
        if (!put || written == 0) return Fail();
        p += written;
        size -= written;
    }
    return RecordFileWrite(*this, buffer, whole);
}

bool File::Seek(std::int64_t offset, SeekOrigin origin, std::uint64_t* newPosition) {
    DWORD method = origin == SeekOrigin::kBegin     ? FILE_BEGIN
                   : origin == SeekOrigin::kCurrent ? FILE_CURRENT
                                                    : FILE_END;
    LARGE_INTEGER distance;
    distance.QuadPart = offset;
    LARGE_INTEGER result;
    if (!::SetFilePointerEx(Native(handle_.get()), distance, &result, method)) return Fail();
    if (newPosition) *newPosition = static_cast<std::uint64_t>(result.QuadPart);
    return true;
}

bool File::Flush() {
    return (::FlushFileBuffers(Native(handle_.get())) &&
            RecordFileEvent(*this, TreeOp::kFlushFile, 0, 0)) ||
           Fail();
}

// Windows has no call that starts the writing without waiting for it.
void File::StartWriteBack() {}

bool File::SetTimes(FileTime creation, FileTime access, FileTime write) {
    // A null pointer leaves that time alone.
    FILETIME c = ToFiletime(creation), a = ToFiletime(access), w = ToFiletime(write);
    return (::SetFileTime(Native(handle_.get()), creation ? &c : nullptr, access ? &a : nullptr,
                          write ? &w : nullptr) &&
            RecordFileEvent(*this, TreeOp::kSetTimes, 0, write)) ||
           Fail();
}

}  // namespace plat
