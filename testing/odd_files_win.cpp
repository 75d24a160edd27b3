#include "testing/odd_files.h"

namespace testing_support {

bool MakeFifo(const std::string&) { return false; }
bool MakeEndlessDeviceLink(const std::string&) { return false; }

}  // namespace testing_support
