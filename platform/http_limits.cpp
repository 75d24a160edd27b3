#include "platform/http_limits.h"

#include <algorithm>
#include <atomic>

namespace plat {
namespace {

using Clock = TransferClock::Clock;

// Steady-clock ticks; 0 while no run deadline is set.
std::atomic<Clock::rep> g_runDeadline{0};
std::atomic<std::uint64_t> g_stallBytes{0};
std::atomic<std::chrono::milliseconds::rep> g_stallMs{0};
std::atomic<std::chrono::milliseconds::rep> g_totalCapMs{0};
std::atomic<std::chrono::milliseconds::rep> g_connectMs{0};
std::atomic<std::chrono::milliseconds::rep> g_receiveMs{0};

}  // namespace

void SetHttpRunDeadline(std::chrono::milliseconds total) {
    g_runDeadline = (Clock::now() + total).time_since_epoch().count();
}

void SetHttpRequestTimeout(std::chrono::milliseconds timeout) {
    g_connectMs = g_receiveMs = g_totalCapMs = timeout.count();
}

void SetHttpLimitsForTesting(std::uint64_t stallBytes, std::chrono::milliseconds stallTime,
                             std::chrono::milliseconds totalCap) {
    g_stallBytes = stallBytes;
    g_stallMs = stallTime.count();
    g_totalCapMs = totalCap.count();
}

void SetHttpTimeoutsForTesting(unsigned long connectMs, unsigned long receiveMs) {
    g_connectMs = connectMs;
    g_receiveMs = receiveMs;
}

std::chrono::milliseconds ChosenConnectTime() { return std::chrono::milliseconds(g_connectMs); }
std::chrono::milliseconds ChosenReceiveTime() { return std::chrono::milliseconds(g_receiveMs); }

HttpLimits EffectiveLimits(std::chrono::milliseconds total) {
    HttpLimits limits;
    if (std::uint64_t b = g_stallBytes.load()) limits.stallBytes = b;
    if (auto ms = g_stallMs.load()) limits.stallTime = std::chrono::milliseconds(ms);
    auto cap = std::chrono::milliseconds(g_totalCapMs.load());
    limits.totalTime = cap.count() && (total.count() == 0 || cap < total) ? cap : total;
    return limits;
}

TransferClock::TransferClock(const HttpLimits& limits, Clock::time_point start)
    : limits_(limits), end_(Clock::time_point::max()), windowStart_(start) {
    if (limits.totalTime.count() > 0) end_ = start + limits.totalTime;
    if (Clock::rep run = g_runDeadline.load())
        end_ = std::min(end_, Clock::time_point(Clock::duration(run)));
}

void TransferClock::Count(std::uint64_t bytes) { windowBytes_ += bytes; }

HttpFailure TransferClock::Check(Clock::time_point now) {
    if (failure_ != HttpFailure::kNone) return failure_;
    if (now >= end_) return failure_ = HttpFailure::kTimeLimit;
    if (now - windowStart_ >= limits_.stallTime) {
        if (windowBytes_ < limits_.stallBytes) return failure_ = HttpFailure::kStalled;
        windowStart_ = now;
        windowBytes_ = 0;
    }
    return HttpFailure::kNone;
}

Clock::time_point TransferClock::NextDeadline() const {
    return std::min(end_, windowStart_ + limits_.stallTime);
}

}  // namespace plat
