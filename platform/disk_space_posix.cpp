#include <sys/statvfs.h>

#include "platform/disk_space.h"
#include "platform/native_path_posix.h"
#include "platform/path_buffer.h"

namespace plat {

bool FreeDiskSpace(const char* directory, std::uint64_t* bytes) {
    char native[kPathSize];
    struct statvfs fs {};
    if (!directory || !ToNativePath(directory, native) || ::statvfs(native, &fs) != 0) return false;
    *bytes = static_cast<std::uint64_t>(fs.f_bavail) * fs.f_frsize;
    return true;
}

}  // namespace plat
