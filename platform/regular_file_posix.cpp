#include <sys/stat.h>

#include "platform/regular_file.h"

namespace plat {

bool IsRegularFileWithin(const char* path, std::uint64_t maxBytes) {
    struct stat st {};
    return path && ::stat(path, &st) == 0 && S_ISREG(st.st_mode) &&
           static_cast<std::uint64_t>(st.st_size) <= maxBytes;
}

}  // namespace plat
