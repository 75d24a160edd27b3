// Removal below a Tree's root: every entry is reached relative to its
// directory's descriptor, and a link is removed as itself.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/tree_impl_posix.h"
#include "platform/tree_recording.h"

namespace plat {

namespace {

// Removes everything inside the directory open as dirFd (which it closes):
// each entry is looked at relative to its directory, and a link is removed
// as itself.
bool RemoveContents(ScopedFd dirFd, int depth) {
    DIR* dir = ::fdopendir(dirFd.get());
    if (dir == nullptr) return false;
    int fd = dirFd.release();  // closed with dir
    bool all = true;
    while (dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
        struct stat st {};
        if (::fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (!S_ISDIR(st.st_mode)) {
            all = ::unlinkat(fd, name, 0) == 0 && all;
            continue;
        }
        ScopedFd child(depth < kMaxTreeDepth ? OpenDirectoryAt(fd, name) : -1);
        if (child.valid()) all = RemoveContents(std::move(child), depth + 1) && all;
        all = ::unlinkat(fd, name, AT_REMOVEDIR) == 0 && all;
    }
    ::closedir(dir);
    return all;
}

}  // namespace

bool Tree::RemoveEmptyDirectory(const std::string& rel) {
    std::string leaf;
    int dir = impl_ ? impl_->Parent(rel, &leaf) : -1;
    if (dir < 0) return false;
    Forget(rel);
    return ::unlinkat(dir, leaf.c_str(), AT_REMOVEDIR) == 0 &&
           RecordTreeEvent(impl_.get(), TreeOp::kRemoveEmptyDirectory, rel);
}

bool Tree::RemoveFile(const std::string& rel) {
    std::string leaf;
    int dir = impl_ ? impl_->Parent(rel, &leaf) : -1;
    struct stat st {};
    if (dir < 0 || ::fstatat(dir, leaf.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
        S_ISDIR(st.st_mode))
        return false;
    return ::unlinkat(dir, leaf.c_str(), 0) == 0 &&
           RecordTreeEvent(impl_.get(), TreeOp::kRemoveFile, rel);
}

bool Tree::RemoveTree(const std::string& rel) {
    std::string leaf;
    int dir = impl_ ? impl_->Parent(rel, &leaf) : -1;
    if (dir < 0) return errno == ENOENT;
    Forget(rel);
    struct stat st {};
    if (::fstatat(dir, leaf.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return errno == ENOENT;
    bool removed = false;
    if (!S_ISDIR(st.st_mode)) {
        removed = ::unlinkat(dir, leaf.c_str(), 0) == 0;
    } else {
        ScopedFd child(OpenDirectoryAt(dir, leaf.c_str()));
        bool contents = child.valid() && RemoveContents(std::move(child), 0);
        removed = ::unlinkat(dir, leaf.c_str(), AT_REMOVEDIR) == 0 && contents;
    }
    return removed && RecordTreeEvent(impl_.get(), TreeOp::kRemoveTree, rel);
}

}  // namespace plat
