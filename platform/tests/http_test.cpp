#include "platform/http.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
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
    EXPECT_EQ(http.Status(), 200);
    EXPECT_EQ(http.ContentLength().has_value(), c.framing == Reply::Framing::kContentLength);

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

struct LengthCase {
    const char* name;
    const char* header;  // the Content-Length sent
    std::optional<std::int64_t> length;
};

class HttpGetLength : public ::testing::TestWithParam<LengthCase> {};

// The callers judge the number; what reaches them must be read alike on
// both backends, however the server wrote it.
TEST_P(HttpGetLength, ReadsTheNumberAsTheServerWroteIt) {
    Reply reply = Reply::Generated(100);
    reply.contentLength = GetParam().header;
    reply.framing = Reply::Framing::kUntilClose;
    LoopbackServer server;
    server.Route("/f", reply);
    plat::HttpGet http;
    ASSERT_TRUE(http.Open(server.Url("/f").c_str()));
    EXPECT_EQ(http.ContentLength(), GetParam().length);
}

INSTANTIATE_TEST_SUITE_P(
    Values, HttpGetLength,
    ::testing::Values(LengthCase{"Plain", "100", 100},
                      LengthCase{"LeadingZeros", "0000000000000000000000000000100", 100},
                      LengthCase{"TooLongToRead", "00000000000000000000000000000100", std::nullopt},
                      LengthCase{"Overflowing", "99999999999999999999", INT64_MAX}),
    [](const ::testing::TestParamInfo<LengthCase>& p) { return std::string(p.param.name); });

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
    EXPECT_EQ(nonsense.Status(), std::nullopt);
    std::size_t got = 1;
    char buf[4];
    EXPECT_FALSE(nonsense.Read(buf, sizeof buf, &got));
    EXPECT_EQ(got, 0u);
}

}  // namespace
