// Files that are no plain files, for tests of readers that must refuse
// them. Each returns false where the platform cannot make one (Windows has
// no FIFOs in the file system, and no device to link to); the test skips.
#pragma once

#include <cstdint>
#include <string>

namespace testing_support {

// A FIFO at path that no one writes to.
bool MakeFifo(const std::string& path);
// A symbolic link at path to a device that yields bytes for ever (/dev/zero).
bool MakeEndlessDeviceLink(const std::string& path);
// A sparse file of the given size at path.
bool MakeSparseFile(const std::string& path, std::uint64_t size);

}  // namespace testing_support
