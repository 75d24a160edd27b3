#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/file_version.h"
#include "platform/pe_version.h"
#include "platform/regular_file.h"
#include "platform/scoped_fd_posix.h"

namespace {

class FileSource final : public plat::ByteSource {
public:
    FileSource(int fd, std::uint64_t size) : fd_(fd), size_(size) {}
    std::uint64_t Size() const override { return size_; }

    bool ReadAt(std::uint64_t offset, void* dst, std::size_t n) const override {
        if (offset > size_ || size_ - offset < n) return false;
        auto* out = static_cast<char*>(dst);
        while (n > 0) {
            const ssize_t got = ::pread(fd_, out, n, static_cast<off_t>(offset));
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) return false;
            out += got;
            offset += static_cast<std::uint64_t>(got);
            n -= static_cast<std::size_t>(got);
        }
        return true;
    }

private:
    int fd_;
    std::uint64_t size_;
};

}  // namespace

namespace plat {

bool ReadFileVersion(const char* path, char* buffer, std::size_t size) {
    if (path == nullptr) return false;
    // O_NONBLOCK: opening a FIFO by mistake must not wait for a writer.
    plat::ScopedFd fd(::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat st;
    if (!fd || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) ||
        static_cast<std::uint64_t>(st.st_size) > plat::kMaxExecutableBytes)
        return false;
    FileSource source(fd.get(), static_cast<std::uint64_t>(st.st_size));
    return plat::ReadPeFileVersion(source, buffer, size);
}

}  // namespace plat
