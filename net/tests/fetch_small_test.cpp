#include "net/fetch_small.h"

#include <gtest/gtest.h>

#include <string>

#include "net/tests/net_test_support.h"

using net::FetchFailure;

namespace net_test {

namespace {

constexpr std::size_t kLimit = 4096;

// A short body that claims a longer one, then ends.
Reply Claiming(Reply r, const char* length) {
    r.contentLength = length;
    r.framing = Reply::Framing::kUntilClose;
    return r;
}

struct FetchCase {
    const char* name;
    Reply reply;
    FetchFailure failure;
    std::size_t bodySize;  // of a successful fetch
    const char* described;
    bool needsTimeouts = false;
};

class FetchSmall : public ServedReply<FetchCase> {};

TEST_P(FetchSmall, ReadsAtMostTheLimit) {
    const FetchCase& c = GetParam();
    std::string url = Serve("/signatures/5.20.0001.zip.minisig", "/moved", Reply::Generated(300));

    net::SmallFile file = net::FetchSmallFile(url.c_str(), kLimit);
    EXPECT_EQ(file.failure, c.failure);
    EXPECT_EQ(net::DescribeFetchFailure(file, kLimit), c.described);
    if (c.failure == FetchFailure::kNone) {
        EXPECT_TRUE(file.body == testing_support::GeneratedBody(c.bodySize));
    } else {
        EXPECT_TRUE(file.body.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Replies, FetchSmall,
    ::testing::Values(
        FetchCase{"Small", Reply::Generated(300), FetchFailure::kNone, 300, ""},
        FetchCase{"Empty", Reply::Page(""), FetchFailure::kNone, 0, ""},
        FetchCase{"AtLimit", Reply::Generated(kLimit), FetchFailure::kNone, kLimit, ""},
        FetchCase{"AtLimitChunked", Framed(Reply::Generated(kLimit), Reply::Framing::kChunked),
                  FetchFailure::kNone, kLimit, ""},
        FetchCase{"Redirected", Reply::Redirect(302, "/moved"), FetchFailure::kNone, 300, ""},
        FetchCase{"OverLimit", Reply::Generated(kLimit + 1), FetchFailure::kTooLarge, 0,
                  "over 4096 bytes"},
        FetchCase{"LargeUnannounced",
                  Framed(Reply::Generated(1 << 20), Reply::Framing::kUntilClose),
                  FetchFailure::kTooLarge, 0, "over 4096 bytes"},
        FetchCase{"AnnouncedOverLimit", Claiming(Reply::Generated(100), "100000"),
                  FetchFailure::kTooLarge, 0, "over 4096 bytes"},
        FetchCase{"NotFound", Reply::Page("<html>Not Found</html>", 404), FetchFailure::kStatus, 0,
                  "status 404"},
        FetchCase{"CutOff", CutAt(Reply::Generated(3000), 1000), FetchFailure::kBroken, 0,
                  "connection broken"},
        FetchCase{"Stalls", StallAt(Reply::Generated(3000), 1000), FetchFailure::kBroken, 0,
                  "connection broken", true}),
    CaseName());

TEST(FetchSmallUnreachable, ReportsNoConnection) {
    std::string url;
    {
        LoopbackServer server;  // a port that was just free and is closed again
        url = server.Url("/signatures/a.minisig");
    }
    net::SmallFile file = net::FetchSmallFile(url.c_str(), kLimit);
    EXPECT_EQ(file.failure, FetchFailure::kUnreachable);
    EXPECT_EQ(net::DescribeFetchFailure(file, kLimit), "no connection");
}

}  // namespace

}  // namespace net_test
