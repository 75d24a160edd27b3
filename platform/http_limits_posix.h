// The limits of one libcurl transfer that HttpGet pulls (POSIX backend):
// the request's TransferClock, and the receive time-out, which counts from
// the last byte received once the connection stands. Before that, libcurl's
// own connect time-out applies.
#pragma once

#include <chrono>
#include <cstdint>

#include "platform/http_limits.h"

namespace plat {

// The time-outs of the requests opened now: 60 s to connect, 30 s without a
// byte received, unless others were chosen (platform/http_limits.h).
std::chrono::milliseconds ConnectTime();
std::chrono::milliseconds ReceiveTime();

class PullLimits {
public:
    using Clock = TransferClock::Clock;

    PullLimits(const HttpLimits& limits, std::chrono::milliseconds receiveTime,
               Clock::time_point start);

    // The connection stands; the receive time-out counts from now on.
    void Connected(Clock::time_point now);
    // bytes of headers or body arrived at now.
    void Arrived(std::uint64_t bytes, Clock::time_point now);
    // A pulling call begins; the receive time-out counts afresh from now.
    void Restart(Clock::time_point now);

    // kNone while the transfer may go on; kStalled or kTimeLimit once a limit
    // of the request has passed (and from then on); kBroken when, connected,
    // nothing has arrived for the receive time since the last byte, the
    // connection or Restart, whichever came last.
    HttpFailure Check(Clock::time_point now);
    // The latest moment for the next look at the limits: when one of them
    // could pass, and no later than 100 ms ahead while not yet connected.
    Clock::time_point WaitUntil(Clock::time_point now) const;

private:
    TransferClock clock_;
    std::chrono::milliseconds receiveTime_;
    bool connected_ = false;
    Clock::time_point lastActivity_;
};

}  // namespace plat
