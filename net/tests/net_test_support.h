// Shared set-up of the network tests: short time-outs, so that the cases
// with a silent server end in seconds, and the Wine skip for them.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "platform/http.h"
#include "testing/loopback_server.h"
#include "testing/wine.h"

namespace net_test {

constexpr unsigned long kTestTimeoutMs = 1500;

// Names table-driven cases after their `name` field.
struct CaseName {
    template <typename T>
    std::string operator()(const ::testing::TestParamInfo<T>& p) const {
        return p.param.name;
    }
};

// Server misbehaviours applied to a reply: the body is cut off or stalls
// after n bytes, or the connection is accepted and never answered.
inline testing_support::Reply CutAt(testing_support::Reply r, std::uint64_t n) {
    r.cutAfter = n;
    return r;
}
inline testing_support::Reply StallAt(testing_support::Reply r, std::uint64_t n) {
    r.stallAfter = n;
    return r;
}
inline testing_support::Reply Silent() {
    testing_support::Reply r;
    r.neverAnswer = true;
    return r;
}

class ShortTimeouts : public ::testing::Environment {
public:
    void SetUp() override { plat::SetHttpTimeoutsForTesting(kTestTimeoutMs, kTestTimeoutMs); }
};

// Wine's WinINet reports connect, send and receive time-outs but honours
// none of them: a silent server would hang the test for ever.
#define SKIP_IF_TIMEOUTS_UNSUPPORTED()                                                     \
    do {                                                                                   \
        if (testing_support::RunningUnderWine())                                           \
            GTEST_SKIP() << "Wine's WinINet ignores its time-outs; a silent server would " \
                            "block for ever (real Windows honours them)";                  \
    } while (0)

}  // namespace net_test
