// Scoped guards for the production code's test-only switches (the
// *ForTesting functions): each sets its switch for the life of the guard
// and puts the default back when the guard ends, also when an assertion
// leaves the test early. Header only: a test program links the rooms whose
// switches it uses, nothing more. The guards of a room above these helpers
// stand beside that room's tests (net/tests/net_switches.h).
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <utility>

#include "installation/placement.h"
#include "platform/event_log.h"
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

inline ScopedSwitch ScopedStepHook(std::function<bool(std::size_t step)> hook) {
    installation::SetStepHookForTesting(std::move(hook));
    return ScopedSwitch([] { installation::SetStepHookForTesting(nullptr); });
}

}  // namespace testing_support
