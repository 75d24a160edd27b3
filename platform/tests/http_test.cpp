#include "platform/http.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testing/loopback_server.h"

using testing_support::LoopbackServer;
using testing_support::Reply;

namespace {

struct ReadCase {
    const char* name;
    Reply::Framing framing;
    std::size_t readSize;
};

class HttpGetReads : public ::testing::TestWithParam<ReadCase> {};

// Status and length are known before the body is read, and every read
// but the last fills the caller's buffer exactly: the chunking of the
// callers depends on it.
TEST_P(HttpGetReads, FillTheCallersBufferUntilTheEnd) {
    const ReadCase& c = GetParam();
    Reply reply = Reply::Generated(100000);
    reply.framing = c.framing;
    LoopbackServer server;
    server.Route("/f", reply);
    plat::HttpGet http;
    ASSERT_TRUE(http.Open(server.Url("/f").c_str()));
    char status[8] = {};
    ASSERT_TRUE(http.QueryStatusText(status, sizeof status));
    EXPECT_STREQ(status, "200");
    char length[16] = {};
    EXPECT_EQ(http.QueryContentLengthText(length, sizeof length),
              c.framing == Reply::Framing::kContentLength);

    std::vector<char> buf(c.readSize);
    std::string body;
    std::vector<std::size_t> sizes;
    for (;;) {
        std::size_t got = 0;
        ASSERT_TRUE(http.Read(buf.data(), buf.size(), &got));
        if (got == 0) break;
        sizes.push_back(got);
        body.append(buf.data(), got);
    }
    EXPECT_TRUE(body == testing_support::GeneratedBody(100000));
    for (std::size_t i = 0; i + 1 < sizes.size(); ++i) EXPECT_EQ(sizes[i], c.readSize) << i;
    std::vector<testing_support::RequestRecord> requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].userAgent, "VeltAgent");
}

INSTANTIATE_TEST_SUITE_P(
    Framings, HttpGetReads,
    ::testing::Values(ReadCase{"LengthSmallReads", Reply::Framing::kContentLength, 32767},
                      ReadCase{"LengthOneRead", Reply::Framing::kContentLength, 100000},
                      ReadCase{"Chunked", Reply::Framing::kChunked, 32768},
                      ReadCase{"UntilClose", Reply::Framing::kUntilClose, 1000}),
    [](const ::testing::TestParamInfo<ReadCase>& p) { return std::string(p.param.name); });

TEST(HttpGetQuery, ContentLengthThatDoesNotFitFails) {
    LoopbackServer server;
    server.Route("/f", Reply::Generated(123456789));
    plat::HttpGet http;
    ASSERT_TRUE(http.Open(server.Url("/f").c_str()));
    char small[9] = "unused";
    EXPECT_FALSE(http.QueryContentLengthText(small, sizeof small));
    char fits[10] = {};
    EXPECT_TRUE(http.QueryContentLengthText(fits, sizeof fits));
    EXPECT_STREQ(fits, "123456789");
}

TEST(HttpGetOpen, FailsForAServerThatIsGoneAndForNonsense) {
    std::string url;
    {
        LoopbackServer gone;
        url = gone.Url("/f");
    }
    plat::HttpGet refused;
    EXPECT_FALSE(refused.Open(url.c_str()));
    plat::HttpGet nonsense;
    EXPECT_FALSE(nonsense.Open("this is no URL"));
    char status[8] = {};
    EXPECT_FALSE(nonsense.QueryStatusText(status, sizeof status));
    std::size_t got = 1;
    char buf[4];
    EXPECT_FALSE(nonsense.Read(buf, sizeof buf, &got));
    EXPECT_EQ(got, 0u);
}

}  // namespace
