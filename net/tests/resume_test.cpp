// Cut downloads kept as parts and resumed by a later call, against the
// loopback server answering ranges as the installer server does.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "net/download.h"
#include "net/part_file.h"
#include "net/tests/net_test_support.h"
#include "testing/loopback_ranges.h"
#include "testing/loopback_server.h"
#include "testing/temp_dir.h"

namespace net_test {

namespace {

constexpr std::uint64_t kSize = 100000;

Reply Ranged(std::uint64_t size, const char* etag) {
    Reply r = Reply::Generated(size);
    r.etag = etag;
    r.lastModified = "Mon, 07 Dec 2026 10:00:00 GMT";
    return r;
}

Reply Cut(Reply r, std::uint64_t at) {
    r.cutAfter = at;
    return r;
}

struct ResumeCase {
    const char* name;
    Reply first;                     // cut part-way
    Reply second;                    // the next run's answer
    std::vector<std::string> range;  // Range sent by each request of the second call
    std::uint64_t secondReceived;    // body bytes the second call received
    std::uint64_t resumedFrom;
    void (*between)(const std::string& package) = nullptr;  // a power cut, between the calls
};

class Resume : public ::testing::TestWithParam<ResumeCase> {};

TEST_P(Resume, EndsWithTheServedPackageWhole) {
    const ResumeCase& c = GetParam();
    LoopbackServer server;
    DownloadDir at;
    std::string url = server.Url("/5_1/5.10.0023.zip");
    server.Route("/5_1/5.10.0023.zip", c.first);
    net::DownloadResult cut = net::DownloadPackage(url.c_str(), "5.10.0023.zip", at.localPath);
    ASSERT_FALSE(cut.complete);
    cut.file.Close();
    if (c.between) c.between(at.dir.Join("5.10.0023.zip"));

    server.Route("/5_1/5.10.0023.zip", c.second);
    std::string observed;
    net::DownloadResult r = net::DownloadPackage(
        url.c_str(), "5.10.0023.zip", at.localPath,
        [&](const void* d, std::size_t n) { observed.append(static_cast<const char*>(d), n); });
    r.file.Close();

    ASSERT_TRUE(r.complete) << net::DownloadOutcome(r).reason;
    std::uint64_t size = c.second.generatedSize;
    std::string bytes;
    ASSERT_TRUE(testing_support::ReadFile(at.dir.Join("5.10.0023.zip"), &bytes));
    EXPECT_EQ(bytes, GeneratedBody(size));
    EXPECT_EQ(observed, bytes);  // the held bytes first, from disk
    EXPECT_EQ(r.received, c.secondReceived);
    EXPECT_EQ(r.resumedFrom, c.resumedFrom);
    EXPECT_FALSE(testing_support::FileExists(at.dir.Join("5.10.0023.zip.part")));
    std::vector<std::string> ranges;
    auto requests = server.Requests();
    for (std::size_t i = 1; i < requests.size(); ++i)
        ranges.push_back(testing_support::HeaderValue(requests[i].head, "Range"));
    EXPECT_EQ(ranges, c.range);
}

const char* const kTag = "\"5f3a-186a0\"";

INSTANTIATE_TEST_SUITE_P(
    Table, Resume,
    ::testing::Values(
        // The package's bytes are sent once in all.
        ResumeCase{"cut_then_resumed",
                   Cut(Ranged(kSize, kTag), 30000),
                   Ranged(kSize, kTag),
                   {"bytes=30000-"},
                   kSize - 30000,
                   30000},
        ResumeCase{"changed_between_runs",
                   Cut(Ranged(kSize, kTag), 30000),
                   Ranged(90000, "\"6000-15f90\""),
                   {"bytes=30000-"},
                   90000,
                   0},
        ResumeCase{"server_without_ranges",
                   Cut(Ranged(kSize, kTag), 30000),
                   Reply::Generated(kSize),
                   {"bytes=30000-"},
                   kSize,
                   0},
        ResumeCase{"wrong_start_never_appended",
                   Cut(Ranged(kSize, kTag), 30000),
                   [] {
                       Reply r = Ranged(kSize, kTag);
                       r.rangeStartsEarlier = 1000;
                       return r;
                   }(),
                   {"bytes=30000-", ""},
                   kSize,
                   0},
        ResumeCase{"part_longer_than_new_package",
                   Cut(Ranged(kSize, kTag), 60000),
                   Ranged(50000, kTag),
                   {"bytes=60000-", ""},
                   50000,
                   0},
        ResumeCase{"unflushed_bytes_past_the_record",
                   Cut(Ranged(kSize, kTag), 30000),
                   Ranged(kSize, kTag),
                   {"bytes=30000-"},
                   kSize - 30000,
                   30000,
                   [](const std::string& p) { std::filesystem::resize_file(p, 40000); }},
        // Without a validator nothing is kept: the next request is the usual one.
        ResumeCase{"no_validator_no_part",
                   Cut(Reply::Generated(kSize), 30000),
                   Ranged(kSize, kTag),
                   {""},
                   kSize,
                   0}),
    CaseName());

// What stays after a cut: the part and its record, or nothing resumable.
struct KeepCase {
    const char* name;
    Reply reply;
    bool recordKept;
    bool needsTimeouts = false;
};

class KeepPart : public ServedReply<KeepCase> {};

TEST_P(KeepPart, KeepsARecordOnlyForAResumableCut) {
    std::string url = Serve("/p.zip", "/unused", Reply::Generated(1));
    DownloadDir at;
    net::DownloadResult r = net::DownloadPackage(url.c_str(), "p.zip", at.localPath);
    EXPECT_FALSE(r.complete);
    net::PartRecord record;
    std::string path = at.dir.Join("p.zip");
    EXPECT_EQ(net::ReadPartRecord(path.c_str(), &record), GetParam().recordKept);
    EXPECT_EQ(net::FindKeptPart(url.c_str(), path.c_str()).kept, GetParam().recordKept);
    if (GetParam().recordKept) {
        EXPECT_EQ(record.validator, kTag);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, KeepPart,
                         ::testing::Values(KeepCase{"cut", Cut(Ranged(kSize, kTag), 5000), true},
                                           KeepCase{"stalled",
                                                    [] {
                                                        Reply r = Ranged(kSize, kTag);
                                                        r.stallAfter = 5000;
                                                        return r;
                                                    }(),
                                                    true, true},
                                           KeepCase{"no_validator",
                                                    Cut(Reply::Generated(kSize), 5000), false},
                                           KeepCase{"error_status",
                                                    [] {
                                                        Reply r = Ranged(kSize, kTag);
                                                        r.status = 500;
                                                        return r;
                                                    }(),
                                                    false}),
                         CaseName());

TEST(ResumeFailure, AnErrorAnswerKeepsThePart) {
    LoopbackServer server;
    DownloadDir at;
    std::string url = server.Url("/p.zip");
    server.Route("/p.zip", Cut(Ranged(kSize, kTag), 5000));
    net::DownloadPackage(url.c_str(), "p.zip", at.localPath);
    server.Route("/p.zip", Reply::Page("busy", 503));
    net::DownloadResult r = net::DownloadPackage(url.c_str(), "p.zip", at.localPath);
    EXPECT_EQ(r.failure, net::DownloadFailure::kStatus);
    EXPECT_TRUE(net::FindKeptPart(url.c_str(), at.dir.Join("p.zip").c_str()).kept);
    std::string bytes;
    ASSERT_TRUE(testing_support::ReadFile(at.dir.Join("p.zip"), &bytes));
    EXPECT_EQ(bytes, GeneratedBody(5000));
}

}  // namespace

}  // namespace net_test
