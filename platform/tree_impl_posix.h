// POSIX Tree backend only: what tree_posix.cpp and tree_remove_posix.cpp share.
#pragma once

#include <string>
#include <vector>

#include "platform/scoped_fd_posix.h"
#include "platform/tree.h"
#include "platform/tree_backend.h"

namespace plat {

// openat of one directory level, never through a link.
int OpenDirectoryAt(int parent, const char* name);

struct Tree::Impl {
    ScopedFd rootFd;
    DirectoryCache<ScopedFd> cache;

    // The descriptor of the directory made of the first count parts, opened
    // from the root one level at a time; -1 with errno set when a level is
    // missing (ENOENT) or no real directory (ELOOP, ENOTDIR).
    int Directory(const std::vector<std::string>& parts, std::size_t count);
    // The directory holding rel's leaf, and the leaf's name.
    int Parent(const std::string& rel, std::string* leaf);
    // rel itself as a directory (the root for an empty path).
    int Self(const std::string& rel);
};

}  // namespace plat
