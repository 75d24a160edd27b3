// Scoped guards for net's test-only switches, as testing/scoped_switches.h
// has them for the rooms below: each sets its switch for the life of the
// guard and puts the default back when the guard ends.
#pragma once

#include <cstddef>
#include <cstdint>

#include "net/download.h"
#include "net/folder_listing.h"
#include "testing/scoped_switches.h"

namespace testing_support {

inline ScopedSwitch ScopedPageLimit(std::size_t bytes) {
    net::SetPageLimitForTesting(bytes);
    return ScopedSwitch([] { net::SetPageLimitForTesting(0); });
}

inline ScopedSwitch ScopedDownloadLimits(std::uint64_t maxPackageBytes,
                                         std::uint64_t reserveBytes) {
    net::SetDownloadLimitsForTesting(maxPackageBytes, reserveBytes);
    return ScopedSwitch([] { net::SetDownloadLimitsForTesting(0, 0); });
}

}  // namespace testing_support
