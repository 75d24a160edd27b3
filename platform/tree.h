// A directory tree reached from its root without ever following a link
// below it: the install directory, where other local users may be able to
// plant links while the program runs with more rights than they have.
//
// Paths given to a Tree are relative to its root, components separated by
// "/" or "\" (empty components are skipped; "." and ".." are refused).
// Every component above the leaf must be a real directory: a symbolic link,
// a junction or any other reparse point on the way makes the operation
// fail (Inspect reports it as kLink). The leaf itself is never followed:
// removing or moving a link acts on the link.
//
// How the check and the use are kept together:
//   POSIX    each directory is opened with openat(O_NOFOLLOW | O_DIRECTORY)
//            from the one above it, and every operation is made relative to
//            the descriptor of the leaf's directory (*at calls).
//   Windows  each directory on the way is opened as itself
//            (FILE_FLAG_OPEN_REPARSE_POINT), checked to be no reparse point
//            and held open without delete sharing while it is used, so it
//            cannot be renamed or replaced by a link; operations then use
//            the full path with the wide-character calls and a "\\?\"
//            prefix, so they are not bound to 259 characters.
// Names are UTF-8 on Windows (see TreeName) and bytes as they are on POSIX.
// Directories opened on the way are cached; the cache is bounded.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/file_handle.h"
#include "platform/file_system.h"
#include "platform/whole_file.h"

namespace plat {

// Whether the file system takes names that differ only in case for one.
#ifdef _WIN32
constexpr bool kCaseInsensitiveNames = true;
#else
constexpr bool kCaseInsensitiveNames = false;
#endif

// What identifies a file that has only been renamed since it was looked
// at: a rename keeps its size and last-write time.
struct FileStamp {
    std::uint64_t size = 0;
    // POSIX: st_mtim in nanoseconds since the epoch; Windows: the FILETIME
    // (100 ns units since 1601). Compared only with stamps of one platform.
    std::uint64_t writeTime = 0;
};

class Tree {
public:
    Tree();
    ~Tree();
    Tree(Tree&&) noexcept;
    Tree& operator=(Tree&&) noexcept;

    // Opens root (narrow text, at most 259 characters). Links in the root's
    // own path are followed: an administrator may have put the data
    // directory anywhere. Invalid when root is no directory.
    static Tree Open(const char* root);
    bool valid() const;

    // What rel is, the leaf not followed. kLink also when a directory on the
    // way is a link; kMissing when one is missing; kOther for a FIFO, a
    // device, or a path that cannot be looked at.
    PathKind Inspect(const std::string& rel);
    // Windows attribute bits of rel (see ReadAttributes); kInvalidAttributes
    // when it cannot be reached.
    std::uint32_t Attributes(const std::string& rel);
    // The stamp of the regular file rel, looked at without opening it (a
    // file open elsewhere without read sharing is stamped too); false for
    // anything else.
    bool Stamp(const std::string& rel, FileStamp* stamp);
    // Replaces the attribute bits of a regular file, on Windows also of a
    // directory (POSIX: read-only only, files only). A file with more than
    // one hard link is left alone (false): another link may be outside.
    bool SetAttributes(const std::string& rel, std::uint32_t attributes);

    // One directory level; false when anything has the name.
    bool MakeDirectory(const std::string& rel);
    // One empty directory level; a link is not removed by it.
    bool RemoveEmptyDirectory(const std::string& rel);
    // A file or a link as itself (never a directory), read-only or not.
    bool RemoveFile(const std::string& rel);
    // Renames within the tree without replacing anything; on Windows written
    // through (MOVEFILE_WRITE_THROUGH). Works on read-only files.
    bool Move(const std::string& from, const std::string& to);
    // Removes rel with everything below it: links are removed as
    // themselves, read-only files too. True when nothing is left of it.
    bool RemoveTree(const std::string& rel);

    // A new regular file (nothing may have the name), opened for writing.
    File CreateNew(const std::string& rel, std::uint32_t attributes);
    // An existing regular file opened for reading, without waiting on a
    // FIFO or device, and only when it holds at most maxBytes.
    File OpenRegular(const std::string& rel, std::uint64_t maxBytes);
    // A regular file of at most maxBytes read whole (see ReadWhole).
    WholeFile ReadRegular(const std::string& rel, std::uint64_t maxBytes);

    // Makes the entries of directory rel durable: POSIX fsync on the
    // directory; Windows FlushFileBuffers on the directory opened as itself
    // (FILE_FLAG_BACKUP_SEMANTICS). True also where the file system has no
    // such flush (EINVAL; ERROR_INVALID_FUNCTION).
    bool FlushDirectory(const std::string& rel);
    // Makes every file written below rel durable at once (Linux syncfs on
    // the file system). Only where kFlushesFileSystem; elsewhere each file
    // is flushed itself (File::Flush) before it is closed.
    bool FlushFileSystem(const std::string& rel);
#ifdef _WIN32
    static constexpr bool kFlushesFileSystem = false;
#else
    static constexpr bool kFlushesFileSystem = true;
#endif

    // Drops every cached directory at or below rel (before it is moved or
    // removed; Windows would otherwise hold it open).
    void Forget(const std::string& rel);

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

// A stored item name as the Tree takes it: on Windows a name flagged UTF-8
// stays as it is and any other is converted from the ANSI code page, as the
// A-suffixed calls would read it; POSIX keeps the bytes.
std::string TreeName(const std::string& name, bool utf8);

// Splits rel into its components; false for "." or ".." components and for
// a path without any.
bool SplitTreePath(const std::string& rel, std::vector<std::string>* parts);

}  // namespace plat
