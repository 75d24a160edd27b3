#include "testing/small_volume.h"

namespace testing_support {

// No volume of a chosen size can be made here without rights a test lacks.
SmallVolume::SmallVolume(std::uint64_t) {}
SmallVolume::~SmallVolume() = default;

}  // namespace testing_support
