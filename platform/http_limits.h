// How long one HTTP request may take, and the clock that enforces it.
//
// A request fails as stalled when fewer than stallBytes bytes (headers and
// body) arrive within any stallMs window from the start of the request, and
// as over its time when it is still going totalMs after it began or when the
// run's deadline (SetHttpRunDeadline) has passed. The figures below are for
// a slow wide-area link:
//   - stalled: fewer than 1 KiB in 60 s, as curl's low-speed limit; a link
//     that slow cannot carry a package before the total time runs out anyway;
//   - a folder page: 10 minutes; a page of 10,000 packages (1 MB) needs
//     about 2 KB/s to arrive in that time, the largest page read (8 MiB)
//     14 KB/s;
//   - a package: 4 hours; a 500 MB package needs about 35 KB/s (280 kbit/s);
//   - the whole run: 9 hours, enough for two such packages and the pages.
#pragma once

#include <chrono>
#include <cstdint>

namespace plat {

enum class HttpFailure {
    kNone,
    kBroken,     // the connection failed, broke or stayed silent past the idle time-out
    kStalled,    // too little arrived within the progress window
    kTimeLimit,  // the request's total time or the run's deadline passed
};

struct HttpLimits {
    std::uint64_t stallBytes = 1024;
    std::chrono::milliseconds stallTime{60000};
    std::chrono::milliseconds totalTime{0};  // 0: the run's deadline alone
};

constexpr std::chrono::milliseconds kPageTotalTime{10 * 60 * 1000};
constexpr std::chrono::milliseconds kPackageTotalTime{4 * 60 * 60 * 1000};
constexpr std::chrono::milliseconds kRunTotalTime{9 * 60 * 60 * 1000};

// Every request opened afterwards ends by now + total at the latest; one
// opened after that moment fails at once as over its time.
void SetHttpRunDeadline(std::chrono::milliseconds total);

// Bounds every request opened afterwards by timeout: to connect, without a
// byte received, and in all (a shorter total time of its own, and the run's
// deadline, still hold). For a program whose user chooses the time-out; 0
// restores the defaults (platform/http.h). The update run keeps the
// defaults, so WinINet gets no option on its handles.
void SetHttpRequestTimeout(std::chrono::milliseconds timeout);

// For tests: a shorter progress window and stall floor, and a cap on every
// request's total time; zeros restore the defaults.
void SetHttpLimitsForTesting(std::uint64_t stallBytes, std::chrono::milliseconds stallTime,
                             std::chrono::milliseconds totalCap);

// For tests: the connect and receive time-outs alone; zeros restore the
// defaults.
void SetHttpTimeoutsForTesting(unsigned long connectMs, unsigned long receiveMs);

// The limits of a request whose own total time is total, with the chosen
// time-out or the testing overrides applied.
HttpLimits EffectiveLimits(std::chrono::milliseconds total);

// The connect and receive time-outs chosen for the requests opened now;
// 0 where none is chosen and the backend's default holds.
std::chrono::milliseconds ChosenConnectTime();
std::chrono::milliseconds ChosenReceiveTime();

// Tracks one request against its limits. Not synchronised: a caller that
// counts on one thread and checks on another guards it itself.
class TransferClock {
public:
    using Clock = std::chrono::steady_clock;

    TransferClock(const HttpLimits& limits, Clock::time_point start);

    void Count(std::uint64_t bytes);
    // kNone, kStalled or kTimeLimit as of now; once failed, stays failed.
    HttpFailure Check(Clock::time_point now);
    // The latest moment at which the next Check could still pass.
    Clock::time_point NextDeadline() const;

private:
    HttpLimits limits_;
    Clock::time_point end_;
    Clock::time_point windowStart_;
    std::uint64_t windowBytes_ = 0;
    HttpFailure failure_ = HttpFailure::kNone;
};

}  // namespace plat
