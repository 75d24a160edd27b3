#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <system_error>

#include "testing/odd_files.h"

namespace testing_support {

bool MakeFifo(const std::string& path) { return ::mkfifo(path.c_str(), 0600) == 0; }

bool MakeEndlessDeviceLink(const std::string& path) {
    return ::symlink("/dev/zero", path.c_str()) == 0;
}

bool MakeSparseFile(const std::string& path, std::uint64_t size) {
    std::error_code ec;
    { std::ofstream touch(path); }
    std::filesystem::resize_file(path, size, ec);
    return !ec;
}

}  // namespace testing_support
