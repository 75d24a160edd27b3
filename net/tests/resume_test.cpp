// Cut downloads kept as parts and resumed by a later call, against the
// loopback server answering ranges as the installer server does.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "net/part_file.h"
#include "net/tests/net_test_support.h"
#include "testing/loopback_ranges.h"

namespace net_test {

namespace {

constexpr std::uint64_t kSize = 100000;
const char* const kTag = "\"5f3a-186a0\"";

Reply Ranged(std::uint64_t size, const char* etag) {
    Reply r = Reply::Generated(size);
    r.etag = etag;
    r.lastModified = "Mon, 07 Dec 2026 10:00:00 GMT";
    return r;
}

// The first run's answer, cut after 30,000 bytes, and the whole package.
Reply FirstCut() { return CutAt(Ranged(kSize, kTag), 30000); }
Reply Whole() { return Ranged(kSize, kTag); }

// The package with its answer's range 1,000 bytes before the one asked for.
Reply StartsEarlier() {
    Reply r = Whole();
    r.rangeStartsEarlier = 1000;
    return r;
}

Reply Failing(Reply r) {
    r.status = 500;
    return r;
}

struct ResumeCase {
    const char* name;
    Reply first;                     // cut part-way
    Reply second;                    // the next run's answer
    std::vector<std::string> range;  // Range sent by each request of the second call
    std::uint64_t secondReceived;    // body bytes the second call received
    std::uint64_t resumedFrom = 0;
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

const ResumeCase kResumes[] = {
    // The package's bytes are sent once in all.
    {"cut_then_resumed", FirstCut(), Whole(), {"bytes=30000-"}, kSize - 30000, 30000},
    {"changed_between_runs", FirstCut(), Ranged(90000, "\"6000-15f90\""), {"bytes=30000-"}, 90000},
    {"server_without_ranges", FirstCut(), Reply::Generated(kSize), {"bytes=30000-"}, kSize},
    {"wrong_start_never_appended", FirstCut(), StartsEarlier(), {"bytes=30000-", ""}, kSize},
    {"part_longer_than_new_package",
     CutAt(Whole(), 60000),
     Ranged(50000, kTag),
     {"bytes=60000-", ""},
     50000},
    {"unflushed_bytes_past_the_record",
     FirstCut(),
     Whole(),
     {"bytes=30000-"},
     kSize - 30000,
     30000,
     [](const std::string& p) { std::filesystem::resize_file(p, 40000); }},
    // Without a validator nothing is kept: the next request is the usual one.
    {"no_validator_no_part", CutAt(Reply::Generated(kSize), 30000), Whole(), {""}, kSize},
};

INSTANTIATE_TEST_SUITE_P(Table, Resume, ::testing::ValuesIn(kResumes), CaseName());

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
                         ::testing::Values(KeepCase{"cut", CutAt(Whole(), 5000), true},
                                           KeepCase{"stalled", StallAt(Whole(), 5000), true, true},
                                           KeepCase{"error_status", Failing(Whole()), false}),
                         CaseName());

TEST(ResumeFailure, AnErrorAnswerKeepsThePart) {
    LoopbackServer server;
    DownloadDir at;
    std::string url = server.Url("/p.zip");
    server.Route("/p.zip", CutAt(Whole(), 5000));
    net::DownloadPackage(url.c_str(), "p.zip", at.localPath);
    server.Route("/p.zip", Reply::Page("busy", 503));
    net::DownloadResult r = net::DownloadPackage(url.c_str(), "p.zip", at.localPath);
    EXPECT_EQ(r.failure, net::DownloadFailure::kStatus);
    EXPECT_TRUE(net::FindKeptPart(url.c_str(), at.dir.Join("p.zip").c_str()).kept);
    EXPECT_EQ(testing_support::FileText(at.dir.Join("p.zip")), GeneratedBody(5000));
}

}  // namespace

}  // namespace net_test
