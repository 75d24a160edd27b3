#include "platform/disk_space.h"
#include "platform/win.h"

namespace plat {

bool FreeDiskSpace(const char* directory, std::uint64_t* bytes) {
    ULARGE_INTEGER available{};
    if (!directory || !::GetDiskFreeSpaceExA(directory, &available, nullptr, nullptr)) return false;
    *bytes = available.QuadPart;
    return true;
}

}  // namespace plat
