// Shared set-up of the network tests: short time-outs, so that the cases
// with a silent server end in seconds, and the Wine skip for them.
#pragma once

#include <gtest/gtest.h>

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
