// A small volume of its own for tests that fill a disk: a tmpfs of the
// given size mounted on a fresh directory (POSIX, needs root), unmounted and
// removed when the object goes away, also when the test fails. On Windows,
// and without the right to mount, ok() is false and the test skips.
#pragma once

#include <cstdint>
#include <string>

namespace testing_support {

class SmallVolume {
public:
    explicit SmallVolume(std::uint64_t bytes);
    ~SmallVolume();
    SmallVolume(const SmallVolume&) = delete;
    SmallVolume& operator=(const SmallVolume&) = delete;

    bool ok() const { return mounted_; }
    const std::string& path() const { return path_; }

private:
    std::string path_;
    bool mounted_ = false;
};

}  // namespace testing_support
