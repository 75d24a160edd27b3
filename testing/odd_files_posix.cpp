#include <sys/stat.h>
#include <unistd.h>

#include "testing/odd_files.h"

namespace testing_support {

bool MakeFifo(const std::string& path) { return ::mkfifo(path.c_str(), 0600) == 0; }

bool MakeEndlessDeviceLink(const std::string& path) {
    return ::symlink("/dev/zero", path.c_str()) == 0;
}

}  // namespace testing_support
