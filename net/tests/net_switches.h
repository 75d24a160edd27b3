// Scoped guards for net's test-only switches, as testing/scoped_switches.h
// has them for the rooms below: each sets its switch for the life of the
// guard and puts the default back when the guard ends.
#pragma once

#include <chrono>
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

// The limits the runs against hostile servers end by, set for as long as it
// lives: fewer than 1,024 bytes in kStallTime or a request past kTotalCap
// ends a transfer, a page ends at kPageLimit bytes and a package at
// kPackageLimit. The stall window is wide enough that a loaded machine (a
// Wine prefix starting beside a sanitizer build) still sees the first bytes
// of a healthy reply within it.
struct HostileLimits {
    static constexpr std::chrono::milliseconds kStallTime{1200};
    static constexpr std::chrono::milliseconds kTotalCap{3000};
    static constexpr std::size_t kPageLimit = 256 * 1024;
    static constexpr std::uint64_t kPackageLimit = 1024 * 1024;

    ScopedSwitch http = ScopedHttpLimits(1024, kStallTime, kTotalCap);
    ScopedSwitch page = ScopedPageLimit(kPageLimit);
    ScopedSwitch download = ScopedDownloadLimits(kPackageLimit, 0);
};

}  // namespace testing_support
