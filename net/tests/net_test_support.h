// Shared set-up of the network tests: the reply vocabulary, short
// time-outs, so that the cases with a silent server end in seconds, the
// Wine skip for them, the fixture of the cases that each serve one reply,
// and a directory to download into.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "net/download.h"
#include "platform/http.h"
#include "platform/path_buffer.h"
#include "testing/hostile_replies.h"
#include "testing/loopback_server.h"
#include "testing/scoped_switches.h"
#include "testing/temp_dir.h"
#include "testing/wine.h"

namespace net_test {

// The loopback server and the replies the tests put on it.
using testing_support::Announcing;
using testing_support::CutAt;
using testing_support::Drip;
using testing_support::Dripping;
using testing_support::Endless;
using testing_support::Framed;
using testing_support::GeneratedBody;
using testing_support::LoopbackServer;
using testing_support::Reply;
using testing_support::Silent;
using testing_support::StallAt;

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
    void SetUp() override {
        timeouts_.emplace(testing_support::ScopedHttpTimeouts(kTestTimeoutMs, kTestTimeoutMs));
    }
    void TearDown() override { timeouts_.reset(); }

private:
    std::optional<testing_support::ScopedSwitch> timeouts_;
};
// Registered once for every test program that includes this header.
inline ::testing::Environment* const kShortTimeouts =
    ::testing::AddGlobalTestEnvironment(new ShortTimeouts);

// Wine's WinINet reports connect, send and receive time-outs but honours
// none of them: a silent server would hang the test for ever.
#define SKIP_IF_TIMEOUTS_UNSUPPORTED()                                                     \
    do {                                                                                   \
        if (testing_support::RunningUnderWine())                                           \
            GTEST_SKIP() << "Wine's WinINet ignores its time-outs; a silent server would " \
                            "block for ever (real Windows honours them)";                  \
    } while (0)

// Fixture of the table-driven cases that each put one reply (Case::reply) on
// a loopback server. A case with Case::needsTimeouts set is skipped where the
// client's time-outs do not hold.
template <typename Case>
class ServedReply : public ::testing::TestWithParam<Case> {
protected:
    void SetUp() override {
        if (this->GetParam().needsTimeouts) SKIP_IF_TIMEOUTS_UNSUPPORTED();
        ASSERT_TRUE(server.ok());
    }

    // Serves the case's reply at path and moved at movedPath (the target of
    // the redirecting cases); the URL of path.
    std::string Serve(const std::string& path, const std::string& movedPath,
                      const testing_support::Reply& moved) {
        server.Route(path, this->GetParam().reply);
        server.Route(movedPath, moved);
        return server.Url(path);
    }

    testing_support::LoopbackServer server;
};

// An empty temporary directory, named in localPath as a download's localPath
// argument expects.
struct DownloadDir {
    DownloadDir() { plat::CopyBounded(localPath, sizeof localPath, dir.path().c_str()); }

    testing_support::ScopedTempDir dir;
    char localPath[plat::kPathSize] = {};
};

}  // namespace net_test
