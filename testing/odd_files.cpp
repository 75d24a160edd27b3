#include "testing/odd_files.h"

#include <filesystem>
#include <fstream>
#include <system_error>

namespace testing_support {

bool MakeSparseFile(const std::string& path, std::uint64_t size) {
    std::error_code ec;
    { std::ofstream touch(path); }
    std::filesystem::resize_file(path, size, ec);
    return !ec;
}

}  // namespace testing_support
