#include "platform/http_limits_posix.h"

#include <algorithm>

namespace plat {
namespace {

// Before the connection stands, libcurl's connect time-out is what bounds
// the wait; the request's own clock is still looked at this often.
constexpr std::chrono::milliseconds kConnectingLook{100};

constexpr std::chrono::milliseconds kDefaultConnect{60000};
constexpr std::chrono::milliseconds kDefaultReceive{30000};

}  // namespace

std::chrono::milliseconds ConnectTime() {
    const std::chrono::milliseconds chosen = ChosenConnectTime();
    return chosen.count() ? chosen : kDefaultConnect;
}

std::chrono::milliseconds ReceiveTime() {
    const std::chrono::milliseconds chosen = ChosenReceiveTime();
    return chosen.count() ? chosen : kDefaultReceive;
}

PullLimits::PullLimits(const HttpLimits& limits, std::chrono::milliseconds receiveTime,
                       Clock::time_point start)
    : clock_(limits, start), receiveTime_(receiveTime), lastActivity_(start) {}

void PullLimits::Connected(Clock::time_point now) {
    connected_ = true;
    lastActivity_ = now;
}

void PullLimits::Arrived(std::uint64_t bytes, Clock::time_point now) {
    lastActivity_ = now;
    clock_.Count(bytes);
}

void PullLimits::Restart(Clock::time_point now) { lastActivity_ = now; }

HttpFailure PullLimits::Check(Clock::time_point now) {
    HttpFailure failure = clock_.Check(now);
    if (failure != HttpFailure::kNone) return failure;
    if (connected_ && now >= lastActivity_ + receiveTime_) return HttpFailure::kBroken;
    return HttpFailure::kNone;
}

PullLimits::Clock::time_point PullLimits::WaitUntil(Clock::time_point now) const {
    Clock::time_point deadline = connected_ ? lastActivity_ + receiveTime_ : now + kConnectingLook;
    return std::min(deadline, clock_.NextDeadline());
}

}  // namespace plat
