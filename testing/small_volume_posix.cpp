#include <sys/mount.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "testing/small_volume.h"

namespace testing_support {

SmallVolume::SmallVolume(std::uint64_t bytes) {
    char dir[] = "/tmp/talcheck-volume-XXXXXX";
    if (!::mkdtemp(dir)) return;
    path_ = dir;
    std::string options = "size=" + std::to_string(bytes) + ",mode=0700";
    mounted_ = ::mount("tmpfs", dir, "tmpfs", 0, options.c_str()) == 0;
}

SmallVolume::~SmallVolume() {
    if (mounted_) ::umount2(path_.c_str(), MNT_DETACH);
    if (!path_.empty()) ::rmdir(path_.c_str());
}

}  // namespace testing_support
