// Scoped guards for the production code's test-only switches (the
// *ForTesting functions): each sets its switch for the life of the guard
// and puts the default back when the guard ends, also when an assertion
// leaves the test early. Header only: a test program links the rooms whose
// switches it uses, nothing more.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <utility>

#include "installation/placement.h"
#include "installation/staging.h"
#include "net/download.h"
#include "net/folder_listing.h"
#include "platform/event_log.h"
#include "platform/http.h"
#include "platform/http_limits.h"

namespace testing_support {

// Runs restore when it goes out of scope; a moved-from guard restores
// nothing.
class ScopedSwitch {
public:
    explicit ScopedSwitch(std::function<void()> restore) : restore_(std::move(restore)) {}
    ~ScopedSwitch() {
        if (restore_) restore_();
    }
    ScopedSwitch(ScopedSwitch&& other) noexcept : restore_(std::exchange(other.restore_, {})) {}
    ScopedSwitch& operator=(ScopedSwitch&&) = delete;

private:
    std::function<void()> restore_;
};

inline ScopedSwitch ScopedHttpLimits(std::uint64_t stallBytes, std::chrono::milliseconds stallTime,
                                     std::chrono::milliseconds totalCap) {
    plat::SetHttpLimitsForTesting(stallBytes, stallTime, totalCap);
    using std::chrono::milliseconds;
    return ScopedSwitch([] { plat::SetHttpLimitsForTesting(0, milliseconds(0), milliseconds(0)); });
}

inline ScopedSwitch ScopedHttpTimeouts(unsigned long connectMs, unsigned long receiveMs) {
    plat::SetHttpTimeoutsForTesting(connectMs, receiveMs);
    return ScopedSwitch([] { plat::SetHttpTimeoutsForTesting(0, 0); });
}

inline ScopedSwitch ScopedSyslogSink(plat::SyslogSink sink) {
    plat::SetSyslogSinkForTesting(sink);
    return ScopedSwitch([] { plat::SetSyslogSinkForTesting(nullptr); });
}

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
// kPackageLimit.
struct HostileLimits {
    static constexpr std::chrono::milliseconds kStallTime{600};
    static constexpr std::chrono::milliseconds kTotalCap{3000};
    static constexpr std::size_t kPageLimit = 256 * 1024;
    static constexpr std::uint64_t kPackageLimit = 1024 * 1024;

    ScopedSwitch http = ScopedHttpLimits(1024, kStallTime, kTotalCap);
    ScopedSwitch page = ScopedPageLimit(kPageLimit);
    ScopedSwitch download = ScopedDownloadLimits(kPackageLimit, 0);
};

inline ScopedSwitch ScopedStepHook(std::function<bool(std::size_t step)> hook) {
    installation::SetStepHookForTesting(std::move(hook));
    return ScopedSwitch([] { installation::SetStepHookForTesting(nullptr); });
}

inline ScopedSwitch ScopedFlushing(bool flush) {
    installation::SetFlushingForTesting(flush);
    return ScopedSwitch([] { installation::SetFlushingForTesting(true); });
}

}  // namespace testing_support
