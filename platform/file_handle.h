// An open file: read access with read sharing, or a file created (replaced)
// for writing, as the archive reader and the extraction need them.
//
// Paths are narrow text of at most 259 characters; "\" and "/" both separate
// components on both backends. Longer paths fail, as the A-suffixed Win32
// calls fail without a long-path prefix.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/file_trust.h"
#include "platform/scoped_handle.h"

namespace plat {

// Windows FILETIME as one number: 100-nanosecond intervals since
// 1601-01-01 00:00 UTC. 0 stands for "no time" and leaves a file's time as it is.
using FileTime = std::uint64_t;

// Windows file attribute bits.
constexpr std::uint32_t kAttrReadOnly = 0x01;
constexpr std::uint32_t kAttrHidden = 0x02;
constexpr std::uint32_t kAttrSystem = 0x04;
constexpr std::uint32_t kAttrDirectory = 0x10;
constexpr std::uint32_t kAttrArchive = 0x20;
constexpr std::uint32_t kAttrNormal = 0x80;

// Both backends keep their native handle in an intptr_t: a Win32 HANDLE
// (INVALID_HANDLE_VALUE is -1) or a POSIX descriptor (-1 when closed).
void CloseNativeFile(std::intptr_t handle) noexcept;
struct NativeFileTraits {
    using Handle = std::intptr_t;
    static Handle Invalid() noexcept { return -1; }
    static void Close(Handle h) noexcept { CloseNativeFile(h); }
};
using ScopedFile = ScopedHandle<NativeFileTraits>;

enum class SeekOrigin { kBegin, kCurrent, kEnd };

class File {
public:
    File() = default;

    // CreateFileA(GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING): while the
    // file is open others may read it but not write it (Windows only; POSIX
    // has no mandatory sharing modes). Only a regular file on a disk: a FIFO,
    // device or directory is refused (POSIX opens without waiting on a FIFO).
    static File OpenForRead(const char* path);

    // CreateFileA(GENERIC_WRITE, no sharing, CREATE_ALWAYS, attributes).
    // An existing file is emptied and takes the new attributes. Fails for a
    // directory, for an existing read-only file, and on Windows for an
    // existing hidden or system file whose bit the attributes lack. POSIX
    // maps read-only to a mode without write bits; hidden and system have
    // no equivalent there.
    static File CreateAlways(const char* path, std::uint32_t attributes);

    // A regular file created (or emptied) for writing, never written
    // through a link: a symbolic link (Windows: a reparse point) planted
    // under the name is replaced by the new file, whatever it points at.
    // Fails for a directory, a device or a FIFO of that name.
    static File CreateReplacingLink(const char* path);

    // CreateFileA(GENERIC_WRITE, no sharing, CREATE_NEW, attributes) with the
    // name itself never followed: fails when anything exists there, a
    // symbolic link or junction included, even one pointing nowhere.
    static File CreateNew(const char* path, std::uint32_t attributes);

    // Opens path for appending, creating it when missing; truncate empties it
    // first. Others may read the file meanwhile. A symbolic link or junction
    // at the name is never followed: the open fails (POSIX O_NOFOLLOW; on
    // Windows the name is refused when it is a reparse point). So does a
    // file with a second link, before anything is emptied or written.
    static File OpenForAppend(const char* path, bool truncate);

    // A downloaded package, held open from its download to the end of its
    // install so that what is checked and installed are the bytes written.
    // Never an existing file opened in place: a file, hard link or link
    // under the name is removed as itself first, then the file is made new
    // without following anything (POSIX O_CREAT | O_EXCL | O_NOFOLLOW;
    // Windows CREATE_NEW on the name itself, refused when it turns out a
    // reparse point). A directory, device or FIFO there fails it, as does
    // on Windows a read-only file, which cannot be deleted. Windows shares
    // it for reading only: nobody can write, rename or delete it while it
    // is open. POSIX creates it without write bits for group and others; a
    // rename or delete of the name is still possible there, which IsNamedBy
    // detects.
    static File CreatePackage(const char* path);

    // An existing package (a kept part) opened for reading and appending
    // with the sharing of CreatePackage. Only a file of at most maxBytes
    // that plat::JudgeOpenFile trusts (platform/file_trust.h): a link, a
    // directory, a FIFO or a device under the name fails without waiting,
    // and so does a file with a second link or another owner. trust
    // (optional) receives the judgement: kMissing when nothing has the name,
    // kUnknown when it could not be opened for another reason.
    static File OpenPackage(const char* path, std::uint64_t maxBytes, FileTrust* trust = nullptr);

    bool valid() const { return handle_.valid(); }

    // A second handle on the same open file (POSIX dup, Windows
    // DuplicateHandle). Both share one file pointer: whoever reads seeks first.
    File Duplicate() const;
    // True when path, not followed, names this very open file (same device
    // and inode; same volume and file index).
    bool IsNamedBy(const char* path) const;
    // The file's size in bytes.
    bool Size(std::uint64_t* size) const;
    // Cuts the file (or extends it with zeros) to size bytes.
    bool Truncate(std::uint64_t size);
    // Deletes the file that path names, only if it is this open file. POSIX
    // unlinks the name; Windows marks the open file (opened by
    // CreatePackage or OpenPackage) for deletion, and it goes with its last
    // handle.
    bool RemoveIfNamedBy(const char* path) const;

    // Up to size bytes; the count read (0 at the end), or -1 on error.
    std::int64_t Read(void* buffer, std::size_t size);
    // As Read, from offset whatever the file pointer, so that readers of one
    // file on duplicated handles need not agree on it (pread; ReadFile at an
    // offset, which on Windows also moves the pointer).
    std::int64_t ReadAt(std::uint64_t offset, void* buffer, std::size_t size);
    // All size bytes or false.
    bool Write(const void* buffer, std::size_t size);
    // Moves the file pointer; newPosition (optional) receives the offset
    // from the start. Positions past the end are allowed.
    bool Seek(std::int64_t offset, SeekOrigin origin, std::uint64_t* newPosition);
    // SetFileTime. A time of 0 leaves that time unchanged. POSIX sets the
    // access and write times; it keeps no creation time.
    bool SetTimes(FileTime creation, FileTime access, FileTime write);
    // Makes the data written so far durable (fsync, FlushFileBuffers).
    bool Flush();
    // Starts writing the data written so far to the disk and returns
    // without waiting, so that a later flush finds less to do; it makes
    // nothing durable by itself. Linux only (sync_file_range); a no-op
    // elsewhere.
    void StartWriteBack();
    // The OS error code (errno; GetLastError on Windows) of the last call
    // on this object that failed, or of the open that failed to make it; 0
    // when none failed. A file the checks above refuse (no regular file, a
    // link, over its size bound, not the program's own) gives EINVAL
    // (ERROR_INVALID_PARAMETER); a path the POSIX backend cannot take gives
    // ENAMETOOLONG.
    int LastError() const { return error_; }

    // The native handle, for the platform layer's own use.
    std::intptr_t native() const { return handle_.get(); }
    void Close() { handle_.reset(); }

    // Takes over a native handle, or makes an invalid file that failed with
    // code (the platform layer's own use).
    static File Adopt(std::intptr_t handle) { return File(handle); }
    static File Failed(int code) {
        File file;
        file.error_ = code;
        return file;
    }

private:
    explicit File(std::intptr_t h) : handle_(h) {}
    // Records the current OS error code; always false.
    bool Fail() const;

    ScopedHandle<NativeFileTraits> handle_;
    mutable int error_ = 0;
};

}  // namespace plat
