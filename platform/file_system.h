// Whole-path file system operations of the installation step and the
// extraction. Paths are narrow text of at most 259 characters; "\" and "/"
// both separate components on both backends, and longer paths fail.
// Names avoid the Win32 macros (GetFileAttributes, DeleteFile, ...).
#pragma once

#include <cstdint>

#include "platform/file_handle.h"

namespace plat {

constexpr std::uint32_t kInvalidAttributes = 0xFFFFFFFF;

// GetFileAttributesA: kInvalidAttributes when the path does not exist. POSIX
// reports 0x10 for a directory, 0x20 for a file, plus 0x01 when no write bit
// is set.
std::uint32_t ReadAttributes(const char* path);

// CreateDirectoryA: one level; false when it exists or its parent is missing.
bool CreateDirectoryLevel(const char* path);

// _access(path, 0) == 0: the path exists, file or directory.
bool PathExists(const char* path);

// _mkdir: one level; true on success.
bool MakeDirectory(const char* path);

// PathIsDirectoryA.
bool IsDirectory(const char* path);

// DeleteFileA (files only). Read-only files are refused on Windows; POSIX
// refuses them too.
bool RemoveFile(const char* path);

// CopyFileA(from, to, FALSE): overwrites the destination unless it is
// read-only; the copy keeps the source's attributes and write time.
bool CopyFileOver(const char* from, const char* to);

// The last write time (0 when the path cannot be read).
FileTime ReadWriteTime(const char* path);

// Deletes a directory with everything below it, without asking and without
// showing anything. Links (Windows: any reparse point) are removed as
// themselves, never followed, so nothing outside the tree is touched; see
// plat::Tree. ownerWindow is unused. Result not reported.
void RemoveTree(const char* path, void* ownerWindow);

// What a name is, without following a link at the name itself. kLink is a
// symbolic link on both backends, and on Windows also a junction or any
// other reparse point; what it points to is never looked at.
enum class PathKind { kMissing, kFile, kDirectory, kLink, kOther };
PathKind InspectPath(const char* path);

// RemoveDirectoryA / rmdir: one empty directory; a link is never followed.
bool RemoveDirectoryLevel(const char* path);

// Replaces the attribute bits of an existing file (SetFileAttributesA).
// POSIX keeps only read-only, as a mode without write bits.
bool SetAttributes(const char* path, std::uint32_t attributes);

}  // namespace plat
