#include "platform/file_system.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>

#include "platform/file_handle.h"
#include "platform/native_path_posix.h"

namespace plat {

std::uint32_t ReadAttributes(const char* path) {
    char native[kPathSize];
    struct stat st {};
    if (!ToNativePath(path, native) || ::stat(native, &st) != 0) return kInvalidAttributes;
    return AttributesOf(st);
}

bool CreateDirectoryLevel(const char* path) {
    char native[kPathSize];
    return ToNativePath(path, native) && ::mkdir(native, 0777) == 0;
}

bool PathExists(const char* path) {
    char native[kPathSize];
    return ToNativePath(path, native) && ::access(native, F_OK) == 0;
}

bool MakeDirectory(const char* path) { return CreateDirectoryLevel(path); }

bool IsDirectory(const char* path) {
    char native[kPathSize];
    struct stat st {};
    return ToNativePath(path, native) && ::stat(native, &st) == 0 && S_ISDIR(st.st_mode);
}

bool RemoveFile(const char* path) {
    char native[kPathSize];
    struct stat st {};
    if (!ToNativePath(path, native) || ::lstat(native, &st) != 0) return false;
    if (S_ISDIR(st.st_mode)) return false;
    if (S_ISREG(st.st_mode) && (AttributesOf(st) & kAttrReadOnly) != 0) return false;
    return ::unlink(native) == 0;
}

bool CopyFileOver(const char* from, const char* to) {
    char source[kPathSize];
    struct stat st {};
    if (!ToNativePath(from, source) || ::stat(source, &st) != 0 || S_ISDIR(st.st_mode))
        return false;
    File in = File::OpenForRead(from);
    File out = File::CreateAlways(
        to, (AttributesOf(st) & kAttrReadOnly) != 0 ? kAttrReadOnly : kAttrArchive);
    if (!in.valid() || !out.valid()) return false;
    static constexpr std::size_t kChunk = 65536;
    char buffer[kChunk];
    for (;;) {
        std::int64_t n = in.Read(buffer, kChunk);
        if (n < 0) return false;
        if (n == 0) break;
        if (!out.Write(buffer, static_cast<std::size_t>(n))) return false;
    }
    // CopyFile carries the last write time over.
    out.SetTimes(0, 0, ReadWriteTime(from));
    return true;
}

FileTime ReadWriteTime(const char* path) {
    char native[kPathSize];
    struct stat st {};
    if (!ToNativePath(path, native) || ::stat(native, &st) != 0) return 0;
    return static_cast<FileTime>(st.st_mtim.tv_sec) * 10000000 + 116444736000000000ULL +
           static_cast<FileTime>(st.st_mtim.tv_nsec / 100);
}

PathKind InspectPath(const char* path) {
    char native[kPathSize];
    struct stat st {};
    if (!ToNativePath(path, native)) return PathKind::kOther;
    if (::lstat(native, &st) != 0) return errno == ENOENT ? PathKind::kMissing : PathKind::kOther;
    if (S_ISLNK(st.st_mode)) return PathKind::kLink;
    if (S_ISDIR(st.st_mode)) return PathKind::kDirectory;
    return S_ISREG(st.st_mode) ? PathKind::kFile : PathKind::kOther;
}

bool RemoveDirectoryLevel(const char* path) {
    char native[kPathSize];
    return ToNativePath(path, native) && ::rmdir(native) == 0;
}

bool SetAttributes(const char* path, std::uint32_t attributes) {
    char native[kPathSize];
    struct stat st {};
    if (!ToNativePath(path, native) || ::lstat(native, &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    return ::chmod(native, ModeOf(attributes)) == 0;
}

}  // namespace plat
