#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/native_path_posix.h"
#include "platform/tree_impl_posix.h"
#include "platform/tree_recording.h"

namespace plat {

int OpenDirectoryAt(int parent, const char* name) {
    return ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

int Tree::Impl::Directory(const std::vector<std::string>& parts, std::size_t count) {
    int fd = rootFd.get();
    std::string path;
    for (std::size_t i = 0; i < count; ++i) {
        path += (i ? "/" : "") + parts[i];
        if (const ScopedFd* hit = cache.Find(path)) {
            fd = hit->get();
            continue;
        }
        int next = OpenDirectoryAt(fd, parts[i].c_str());
        if (next < 0) return -1;
        fd = cache.Add(path, ScopedFd(next)).get();
    }
    return fd;
}

int Tree::Impl::Parent(const std::string& rel, std::string* leaf) {
    std::vector<std::string> parts;
    if (!rootFd.valid() || !SplitTreePath(rel, &parts)) {
        errno = EINVAL;
        return -1;
    }
    *leaf = parts.back();
    return Directory(parts, parts.size() - 1);
}

int Tree::Impl::Self(const std::string& rel) {
    std::vector<std::string> parts;
    if (!rootFd.valid()) return -1;
    if (!SplitTreePath(rel, &parts))
        return rel.find_first_not_of("/\\") == std::string::npos ? rootFd.get() : -1;
    return Directory(parts, parts.size());
}

Tree Tree::Open(const char* root) {
    Tree tree;
    char native[kPathSize];
    if (!ToNativePath(root, native)) return tree;
    int fd = ::open(native, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return tree;
    tree.impl_ = std::make_unique<Impl>();
    tree.impl_->rootFd.reset(fd);
    RecordTreeOpened(tree.impl_.get(), root);
    return tree;
}

bool Tree::valid() const { return impl_ && impl_->rootFd.valid(); }

PathKind Tree::Inspect(const std::string& rel) {
    std::string leaf;
    int dir = impl_ ? impl_->Parent(rel, &leaf) : -1;
    if (dir < 0) {
        if (errno == ENOENT) return PathKind::kMissing;
        return errno == ELOOP || errno == ENOTDIR ? PathKind::kLink : PathKind::kOther;
    }
    struct stat st {};
    if (::fstatat(dir, leaf.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT ? PathKind::kMissing : PathKind::kOther;
    if (S_ISLNK(st.st_mode)) return PathKind::kLink;
    if (S_ISDIR(st.st_mode)) return PathKind::kDirectory;
    return S_ISREG(st.st_mode) ? PathKind::kFile : PathKind::kOther;
}

std::uint32_t Tree::Attributes(const std::string& rel) {
    std::string leaf;
    int dir = impl_ ? impl_->Parent(rel, &leaf) : -1;
    struct stat st {};
    if (dir < 0 || ::fstatat(dir, leaf.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return kInvalidAttributes;
    return AttributesOf(st);
}

bool Tree::Stamp(const std::string& rel, FileStamp* stamp) {
    std::string leaf;
    int dir = impl_ ? impl_->Parent(rel, &leaf) : -1;
    struct stat st {};
    if (dir < 0 || ::fstatat(dir, leaf.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(st.st_mode))
        return false;
    stamp->size = static_cast<std::uint64_t>(st.st_size);
    stamp->writeTime = static_cast<std::uint64_t>(st.st_mtim.tv_sec) * 1000000000u +
                       static_cast<std::uint64_t>(st.st_mtim.tv_nsec);
    return true;
}

bool Tree::SetAttributes(const std::string& rel, std::uint32_t attributes) {
    std::string leaf;
    int dir = impl_ ? impl_->Parent(rel, &leaf) : -1;
    if (dir < 0) return false;
    ScopedFd fd(::openat(dir, leaf.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat st {};
    // A second link may name a file outside the tree: its mode stays.
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_nlink > 1)
        return false;
    return ::fchmod(fd.get(), ModeOf(attributes)) == 0 &&
           RecordTreeEvent(impl_.get(), TreeOp::kSetAttributes, rel, std::string(), attributes);
}

bool Tree::MakeDirectory(const std::string& rel) {
    std::string leaf;
    int dir = impl_ ? impl_->Parent(rel, &leaf) : -1;
    return dir >= 0 && ::mkdirat(dir, leaf.c_str(), 0777) == 0 &&
           RecordTreeEvent(impl_.get(), TreeOp::kMakeDirectory, rel);
}

bool Tree::Move(const std::string& from, const std::string& to) {
    std::string fromLeaf, toLeaf;
    int fromDir = impl_ ? impl_->Parent(from, &fromLeaf) : -1;
    if (fromDir < 0) return false;
    // Opening the target's directory may evict the source's from the cache.
    ScopedFd fromFd(::dup(fromDir));
    int toDir = impl_->Parent(to, &toLeaf);
    if (!fromFd.valid() || toDir < 0) return false;
    Forget(from);
    if (::renameat2(fromFd.get(), fromLeaf.c_str(), toDir, toLeaf.c_str(), RENAME_NOREPLACE) == 0)
        return RecordTreeEvent(impl_.get(), TreeOp::kMove, from, to);
    // File systems without the flag: the check and the rename are two steps.
    struct stat st {};
    if (errno != EINVAL || ::fstatat(toDir, toLeaf.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0)
        return false;
    return ::renameat(fromFd.get(), fromLeaf.c_str(), toDir, toLeaf.c_str()) == 0 &&
           RecordTreeEvent(impl_.get(), TreeOp::kMove, from, to);
}

File Tree::CreateNew(const std::string& rel, std::uint32_t attributes) {
    std::string leaf;
    int dir = impl_ ? impl_->Parent(rel, &leaf) : -1;
    if (dir < 0) return File::Failed(errno);
    mode_t mode = (attributes & kAttrReadOnly) ? 0444 : 0666;
    int fd =
        ::openat(dir, leaf.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd < 0) return File::Failed(errno);
    File file = File::Adopt(fd);
    RecordFileCreated(impl_.get(), rel, file, attributes);
    return file;
}

File Tree::OpenRegular(const std::string& rel, std::uint64_t maxBytes) {
    std::string leaf;
    int dir = impl_ ? impl_->Parent(rel, &leaf) : -1;
    if (dir < 0) return File::Failed(errno);
    // O_NONBLOCK: a FIFO of the name must not wait for a writer.
    int fd = ::openat(dir, leaf.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return File::Failed(errno);
    File file = File::Adopt(fd);
    struct stat st {};
    if (::fstat(fd, &st) != 0) return File::Failed(errno);
    if (!S_ISREG(st.st_mode) || static_cast<std::uint64_t>(st.st_size) > maxBytes)
        return File::Failed(EINVAL);
    return file;
}

bool Tree::FlushDirectory(const std::string& rel) {
    int dir = impl_ ? impl_->Self(rel) : -1;
    if (dir < 0) return false;
    // A file system that cannot flush a directory has nothing to flush.
    bool flushed = ::fsync(dir) == 0 || errno == EINVAL || errno == EROFS;
    return flushed && RecordTreeEvent(impl_.get(), TreeOp::kFlushDirectory, rel);
}

bool Tree::FlushFileSystem(const std::string& rel) {
    int dir = impl_ ? impl_->Self(rel) : -1;
    return dir >= 0 && ::syncfs(dir) == 0 &&
           RecordTreeEvent(impl_.get(), TreeOp::kFlushFileSystem, rel);
}

std::string TreeName(const std::string& name, bool /*utf8*/) { return name; }

}  // namespace plat
