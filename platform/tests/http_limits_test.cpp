#include "platform/http_limits.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "platform/http.h"
#include "testing/hostile_replies.h"
#include "testing/loopback_server.h"
#include "testing/scoped_switches.h"
#include "testing/wine.h"

using std::chrono::milliseconds;
using testing_support::Drip;
using testing_support::LoopbackServer;
using testing_support::Reply;
using Clock = plat::TransferClock::Clock;

namespace {

// ---- The clock alone, on made-up times ----------------------------------

struct ClockCase {
    const char* name;
    std::uint64_t bytesPerSecond;  // counted once per simulated second
    int seconds;                   // how long the transfer goes on
    plat::HttpFailure expected;
    int failsAfter;  // seconds; meaningful when expected is a failure
};

class TransferClockCases : public ::testing::TestWithParam<ClockCase> {};

TEST_P(TransferClockCases, FailsAtTheFirstCheckPastALimit) {
    const ClockCase& c = GetParam();
    plat::HttpLimits limits;
    limits.stallBytes = 1024;
    limits.stallTime = milliseconds(10000);
    limits.totalTime = milliseconds(60000);
    Clock::time_point start{};
    plat::TransferClock clock(limits, start);
    plat::HttpFailure seen = plat::HttpFailure::kNone;
    int at = 0;
    for (; at <= c.seconds && seen == plat::HttpFailure::kNone; ++at) {
        seen = clock.Check(start + std::chrono::seconds(at));
        clock.Count(c.bytesPerSecond);
    }
    EXPECT_EQ(seen, c.expected);
    if (c.expected != plat::HttpFailure::kNone) {
        EXPECT_EQ(at - 1, c.failsAfter);
    }
    EXPECT_LE(clock.NextDeadline(), start + std::chrono::seconds(60));
}

INSTANTIATE_TEST_SUITE_P(
    Rates, TransferClockCases,
    ::testing::Values(ClockCase{"JustBelowTheFloor", 102, 30, plat::HttpFailure::kStalled, 10},
                      ClockCase{"AtTheFloorUntilTheTotal", 103, 70, plat::HttpFailure::kTimeLimit,
                                60},
                      ClockCase{"FastWithinTheTotal", 100000, 59, plat::HttpFailure::kNone, 0}),
    [](const ::testing::TestParamInfo<ClockCase>& p) { return std::string(p.param.name); });

TEST(TransferClock, StaysFailedOnceALimitHasPassed) {
    plat::HttpLimits limits;
    limits.stallTime = milliseconds(1000);
    Clock::time_point start{};
    plat::TransferClock clock(limits, start);
    EXPECT_EQ(clock.Check(start + milliseconds(1000)), plat::HttpFailure::kStalled);
    clock.Count(1 << 20);
    EXPECT_EQ(clock.Check(start + milliseconds(1001)), plat::HttpFailure::kStalled);
}

// A chosen time-out (talcheck-audit --timeout) bounds the connection, the
// silence and the total, never lengthens a request, and leaves the
// progress rule alone; 0 puts the defaults back.
struct TimeoutCase {
    const char* name;
    milliseconds timeout;       // chosen after 5 s was chosen
    milliseconds requestTotal;  // the request's own total time
    milliseconds total;         // expected
    milliseconds connectAndReceive;
};

class RequestTimeoutCases : public ::testing::TestWithParam<TimeoutCase> {};

TEST_P(RequestTimeoutCases, BoundEveryRequestOpenedAfterwards) {
    const TimeoutCase& c = GetParam();
    testing_support::ScopedSwitch reset([] { plat::SetHttpRequestTimeout(milliseconds(0)); });
    plat::SetHttpRequestTimeout(milliseconds(5000));
    plat::SetHttpRequestTimeout(c.timeout);
    const plat::HttpLimits limits = plat::EffectiveLimits(c.requestTotal);
    EXPECT_EQ(limits.totalTime, c.total);
    EXPECT_EQ(limits.stallBytes, 1024u);
    EXPECT_EQ(limits.stallTime, milliseconds(60000));
    EXPECT_EQ(plat::ChosenConnectTime(), c.connectAndReceive);
    EXPECT_EQ(plat::ChosenReceiveTime(), c.connectAndReceive);
}

INSTANTIATE_TEST_SUITE_P(
    Timeouts, RequestTimeoutCases,
    ::testing::Values(TimeoutCase{"ShortensAPackage", milliseconds(2000), plat::kPackageTotalTime,
                                  milliseconds(2000), milliseconds(2000)},
                      TimeoutCase{"KeepsAShorterRequest", milliseconds(2000), milliseconds(700),
                                  milliseconds(700), milliseconds(2000)},
                      TimeoutCase{"BoundsARequestWithoutATotal", milliseconds(2000),
                                  milliseconds(0), milliseconds(2000), milliseconds(2000)},
                      TimeoutCase{"ZeroRestoresTheDefaults", milliseconds(0), plat::kPageTotalTime,
                                  plat::kPageTotalTime, milliseconds(0)}),
    [](const ::testing::TestParamInfo<TimeoutCase>& p) { return std::string(p.param.name); });

// ---- Requests against misbehaving servers ------------------------------

// Short limits: under 1 KiB in 600 ms is a stall, 3 s is the most any
// request takes. Every case must end well within kBound.
constexpr milliseconds kStallTime{600};
constexpr milliseconds kTotalCap{3000};
constexpr milliseconds kBound{8000};

class HttpBounds : public ::testing::Test {
protected:
    void TearDown() override { plat::SetHttpRunDeadline(std::chrono::hours(24 * 365)); }
    testing_support::ScopedSwitch limits_ =
        testing_support::ScopedHttpLimits(1024, kStallTime, kTotalCap);

    // Opens and reads the whole body; the failure and the time it took.
    plat::HttpFailure Fetch(const Reply& reply, milliseconds* took, std::uint64_t* bodyBytes) {
        LoopbackServer server;
        server.Route("/f", reply);
        auto start = Clock::now();
        plat::HttpGet http;
        plat::HttpFailure failure = plat::HttpFailure::kNone;
        *bodyBytes = 0;
        if (!http.Open(server.Url("/f").c_str())) {
            failure = http.Failure();
        } else {
            static char buf[65536];
            std::size_t got = 0;
            while (http.Read(buf, sizeof buf, &got) && got > 0) *bodyBytes += got;
            failure = http.Failure();
        }
        *took = std::chrono::duration_cast<milliseconds>(Clock::now() - start);
        return failure;
    }
};

// 10 bytes a second: far below 1 KiB in 600 ms.
Reply Dripping(Drip part) { return testing_support::Dripping(Reply::Generated(100000), part); }

struct BoundCase {
    const char* name;
    Reply reply;
    plat::HttpFailure failure;
    milliseconds atLeast;
    bool blocksInOpen;  // headers never complete: Wine cannot show it
};

class HttpBoundCases : public HttpBounds, public ::testing::WithParamInterface<BoundCase> {};

// A dripping body works under Wine too: each read waits for no more than the
// bytes that are there, so the clock is looked at after every dripped byte.
// Headers dripping and a server that never answers block inside the open
// call: under Wine the watchdog closes the handles but Wine does not wake a
// call blocked on a silent connection (real Windows ends it with its receive
// time-out), so those rows are shown on POSIX.
TEST_P(HttpBoundCases, EndsWithinTheBound) {
    const BoundCase& c = GetParam();
    if (c.blocksInOpen && testing_support::RunningUnderWine())
        GTEST_SKIP() << "Wine does not wake InternetOpenUrlA when its handles are closed";
    milliseconds took{};
    std::uint64_t bytes = 0;
    EXPECT_EQ(Fetch(c.reply, &took, &bytes), c.failure);
    EXPECT_GE(took, c.atLeast);
    EXPECT_LT(took, kBound);
    if (c.failure == plat::HttpFailure::kTimeLimit) {
        EXPECT_GT(bytes, 1024u * 1024u);  // a fast endless body, cut by the total
    } else {
        EXPECT_LT(bytes, 100u);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Servers, HttpBoundCases,
    ::testing::Values(BoundCase{"BodyDripping", Dripping(Drip::kBody), plat::HttpFailure::kStalled,
                                kStallTime, false},
                      BoundCase{"EndlessBody", testing_support::Endless(),
                                plat::HttpFailure::kTimeLimit, kTotalCap, false},
                      BoundCase{"HeadersDripping", Dripping(Drip::kHead),
                                plat::HttpFailure::kStalled, kStallTime, true},
                      BoundCase{"NeverAnswers", testing_support::Silent(),
                                plat::HttpFailure::kStalled, kStallTime, true}),
    [](const ::testing::TestParamInfo<BoundCase>& p) { return std::string(p.param.name); });

TEST_F(HttpBounds, ARequestAfterTheRunsDeadlineFailsAtOnce) {
    plat::SetHttpRunDeadline(milliseconds(0));
    milliseconds took{};
    std::uint64_t bytes = 0;
    EXPECT_EQ(Fetch(Reply::Generated(100), &took, &bytes), plat::HttpFailure::kTimeLimit);
    EXPECT_LT(took, kStallTime);
}

}  // namespace
