#include "platform/file_handle.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/native_path_posix.h"
#include "platform/tree_recording.h"

namespace plat {

namespace {

constexpr std::uint64_t kUnixEpochAsFileTime = 116444736000000000ULL;

timespec ToTimespec(FileTime t) {
    timespec ts{};
    if (t == 0) {
        ts.tv_nsec = UTIME_OMIT;
        return ts;
    }
    std::int64_t since1970 = static_cast<std::int64_t>(t - kUnixEpochAsFileTime);
    if (t < kUnixEpochAsFileTime) since1970 = -static_cast<std::int64_t>(kUnixEpochAsFileTime - t);
    std::int64_t seconds = since1970 / 10000000;
    std::int64_t rest = since1970 % 10000000;
    if (rest < 0) {
        rest += 10000000;
        --seconds;
    }
    ts.tv_sec = static_cast<time_t>(seconds);
    ts.tv_nsec = static_cast<long>(rest * 100);
    return ts;
}

// The file just opened as fd when it is a regular file; otherwise the
// code of the failed open or of the check.
File RegularOnly(int fd) {
    if (fd < 0) return File::Failed(errno);
    File file = File::Adopt(fd);
    struct stat st {};
    if (::fstat(fd, &st) != 0) return File::Failed(errno);
    if (!S_ISREG(st.st_mode)) return File::Failed(EINVAL);
    return file;
}

}  // namespace

void CloseNativeFile(std::intptr_t handle) noexcept {
    RecordFileClosed(handle);
    ::close(static_cast<int>(handle));
}

bool File::Fail() const {
    error_ = errno;
    return false;
}

File File::OpenForRead(const char* path) {
    char native[kPathSize];
    if (!ToNativePath(path, native)) return Failed(ENAMETOOLONG);
    // O_NONBLOCK: a FIFO under the name must not wait for a writer; it is
    // refused below with anything else that is no regular file (Windows
    // cannot open a directory as a file either).
    return RegularOnly(::open(native, O_RDONLY | O_NONBLOCK | O_CLOEXEC));
}

File File::CreateAlways(const char* path, std::uint32_t attributes) {
    char native[kPathSize];
    if (!ToNativePath(path, native)) return Failed(ENAMETOOLONG);
    // CREATE_ALWAYS is refused for a read-only file even where the POSIX
    // permissions would let the owner (or root) write it.
    struct stat st {};
    if (::stat(native, &st) == 0) {
        if (S_ISDIR(st.st_mode)) return Failed(EISDIR);
        if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return Failed(EACCES);
    }
    int fd = ::open(native, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return Failed(errno);
    // The attributes replace those of a file that existed, as on Windows;
    // the descriptor stays writable after the write bits are taken away.
    mode_t mask = ::umask(0);
    ::umask(mask);
    mode_t mode = 0666 & ~mask;
    if (attributes & kAttrReadOnly) mode &= ~static_cast<mode_t>(0222);
    ::fchmod(fd, mode);
    return File(fd);
}

File File::CreateReplacingLink(const char* path) {
    char native[kPathSize];
    if (!ToNativePath(path, native)) return Failed(ENAMETOOLONG);
    struct stat st {};
    if (::lstat(native, &st) == 0 && S_ISLNK(st.st_mode)) ::unlink(native);
    // O_NOFOLLOW: a link planted again since the unlink fails the open.
    // O_NONBLOCK: a FIFO of the name must not wait for a reader.
    return RegularOnly(
        ::open(native, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0666));
}

File File::CreateNew(const char* path, std::uint32_t attributes) {
    char native[kPathSize];
    if (!ToNativePath(path, native)) return Failed(ENAMETOOLONG);
    mode_t mode = (attributes & kAttrReadOnly) ? 0444 : 0666;
    int fd = ::open(native, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    return fd < 0 ? Failed(errno) : File(fd);
}

File File::OpenForAppend(const char* path, bool truncate) {
    char native[kPathSize];
    if (!ToNativePath(path, native)) return Failed(ENAMETOOLONG);
    // A FIFO or device under the name would swallow the lines (O_NONBLOCK
    // keeps a FIFO without reader from blocking the open).
    File file = RegularOnly(
        ::open(native, O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666));
    if (!file.valid()) return file;
    // A second link may name a file elsewhere: it is neither emptied nor
    // written, so the file is emptied only after that check.
    struct stat st {};
    if (::fstat(static_cast<int>(file.native()), &st) != 0) return Failed(errno);
    if (st.st_nlink != 1) return Failed(EMLINK);
    if (truncate && ::ftruncate(static_cast<int>(file.native()), 0) != 0) return Failed(errno);
    return file;
}

File File::CreatePackage(const char* path) {
    char native[kPathSize];
    if (!ToNativePath(path, native)) return Failed(ENAMETOOLONG);
    // A file already there may be open for writing elsewhere: it is
    // removed, never reused, and the new one must be made afresh. Anything
    // else under the name (a device, a FIFO) stays and fails the open.
    struct stat st {};
    if (::lstat(native, &st) == 0 && (S_ISREG(st.st_mode) || S_ISLNK(st.st_mode))) ::unlink(native);
    int fd = ::open(native, O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    return fd < 0 ? Failed(errno) : File(fd);
}

File File::OpenPackage(const char* path, std::uint64_t maxBytes, FileTrust* trust) {
    char native[kPathSize];
    FileTrust judged = FileTrust::kUnknown;
    if (!trust) trust = &judged;
    *trust = FileTrust::kUnknown;
    if (!ToNativePath(path, native)) return Failed(ENAMETOOLONG);
    int fd = ::open(native, O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        // O_NOFOLLOW meets a link with ELOOP; a directory cannot be opened for writing.
        if (errno == ENOENT) *trust = FileTrust::kMissing;
        if (errno == ELOOP || errno == EISDIR) *trust = FileTrust::kNotRegular;
        return Failed(errno);
    }
    File file(fd);
    std::uint64_t size = 0;
    // Someone else's file, or one that others may write, could change
    // under the check; a second name could be renamed in behind it.
    *trust = JudgeOpenFile(file);
    if (*trust != FileTrust::kTrusted || !file.Size(&size) || size > maxBytes)
        return Failed(EINVAL);
    int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) return Failed(errno);
    return file;
}

File File::Duplicate() const {
    if (!valid()) return Failed(EBADF);
    int fd = ::fcntl(static_cast<int>(handle_.get()), F_DUPFD_CLOEXEC, 0);
    return fd < 0 ? Failed(errno) : File(fd);
}

bool File::IsNamedBy(const char* path) const {
    char native[kPathSize];
    struct stat named {
    }, open{};
    return valid() && ToNativePath(path, native) && ::lstat(native, &named) == 0 &&
           S_ISREG(named.st_mode) && ::fstat(static_cast<int>(handle_.get()), &open) == 0 &&
           named.st_dev == open.st_dev && named.st_ino == open.st_ino;
}

bool File::RemoveIfNamedBy(const char* path) const {
    char native[kPathSize];
    if (!IsNamedBy(path) || !ToNativePath(path, native)) return false;
    return ::unlink(native) == 0 || Fail();
}

bool File::Size(std::uint64_t* size) const {
    struct stat st {};
    if (::fstat(static_cast<int>(handle_.get()), &st) != 0) return Fail();
    *size = static_cast<std::uint64_t>(st.st_size);
    return true;
}

bool File::Truncate(std::uint64_t size) {
    return (::ftruncate(static_cast<int>(handle_.get()), static_cast<off_t>(size)) == 0 &&
            RecordFileEvent(*this, TreeOp::kTruncate, size, 0)) ||
           Fail();
}

std::int64_t File::Read(void* buffer, std::size_t size) {
    for (;;) {
        ssize_t n = ::read(static_cast<int>(handle_.get()), buffer, size);
        if (n >= 0) return n;
        if (errno != EINTR) {
            Fail();
            return -1;
        }
    }
}

std::int64_t File::ReadAt(std::uint64_t offset, void* buffer, std::size_t size) {
    for (;;) {
        ssize_t n = ::pread(static_cast<int>(handle_.get()), buffer, size, static_cast<off_t>(offset));
        if (n >= 0) return n;
        if (errno != EINTR) {
            Fail();
            return -1;
        }
    }
}

bool File::Write(const void* buffer, std::size_t size) {
    const char* p = static_cast<const char*>(buffer);
    std::size_t whole = size;
    while (size > 0) {
        ssize_t n = ::write(static_cast<int>(handle_.get()), p, size);
        if (n < 0 && errno == EINTR) continue;
        if (n == 0) errno = ENOSPC;  // nothing written, and no reason given
        if (n <= 0) return Fail();
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return RecordFileWrite(*this, buffer, whole);
}

bool File::Seek(std::int64_t offset, SeekOrigin origin, std::uint64_t* newPosition) {
    int whence = origin == SeekOrigin::kBegin     ? SEEK_SET
                 : origin == SeekOrigin::kCurrent ? SEEK_CUR
                                                  : SEEK_END;
    off_t pos = ::lseek(static_cast<int>(handle_.get()), static_cast<off_t>(offset), whence);
    if (pos < 0) return Fail();
    if (newPosition) *newPosition = static_cast<std::uint64_t>(pos);
    return true;
}

bool File::Flush() {
    return (::fsync(static_cast<int>(handle_.get())) == 0 &&
            RecordFileEvent(*this, TreeOp::kFlushFile, 0, 0)) ||
           Fail();
}

void File::StartWriteBack() {
#ifdef __linux__
    // A hint: a failure only leaves the writing to the flush.
    ::sync_file_range(static_cast<int>(handle_.get()), 0, 0, SYNC_FILE_RANGE_WRITE);
#endif
}

bool File::SetTimes(FileTime /*creation*/, FileTime access, FileTime write) {
    timespec times[2] = {ToTimespec(access), ToTimespec(write)};
    return (::futimens(static_cast<int>(handle_.get()), times) == 0 &&
            RecordFileEvent(*this, TreeOp::kSetTimes, 0, write)) ||
           Fail();
}

}  // namespace plat
