// Folder pages and downloads against servers that never stop: each ends
// within its bound, with memory and disk bounded, the names read before a
// cut kept, and a download stopped at a limit deleted.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <system_error>

#include "net/folder_listing.h"
#include "net/tests/net_switches.h"
#include "net/tests/net_test_support.h"
#include "platform/disk_space.h"
#include "platform/http_limits.h"
#include "testing/small_volume.h"

using std::chrono::milliseconds;

namespace net_test {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kPageLimit = testing_support::HostileLimits::kPageLimit;
constexpr std::uint64_t kPackageLimit = testing_support::HostileLimits::kPackageLimit;
constexpr milliseconds kBound{8000};

class Bounded : public ::testing::Test {
protected:
    testing_support::HostileLimits limits_;
};

std::string Line(const std::string& name) { return "<a href=\"" + name + "\">x</a>\n"; }

// Distinct names of bytes from 0x21 to 0xFF but for the quote, '<', '>' and
// '.', each ending in ".zip", from a fixed-seed generator: no name is a part
// of another with overwhelming likelihood, and the page is the same every run.
std::string RandomNamesPage(std::size_t bytes, std::vector<std::string>* names) {
    std::uint64_t state = 0x243F6A8885A308D3ull;
    std::string page;
    for (;;) {
        std::string name;
        for (int i = 0; i < 24; ++i) {
            char c;
            do {
                state = state * 6364136223846793005ull + 1442695040888963407ull;
                c = static_cast<char>(0x21 + (state >> 33) % (0x100 - 0x21));
            } while (c == '"' || c == '<' || c == '>' || c == '.');
            name.push_back(c);
        }
        name += ".zip";
        std::string line = Line(name);
        if (page.size() + line.size() > bytes) break;
        page += line;
        names->push_back(name);
    }
    page.append(bytes - page.size(), '\n');
    return page;
}

std::string Joined(const std::vector<std::string>& names) {
    std::string listing;
    for (const std::string& n : names) listing += n + "\t";
    return listing;
}

struct PageCase {
    const char* name;
    std::uint64_t extra;  // bytes past the limit
    bool repeat;          // the page without end
};

class PageLimit : public Bounded, public ::testing::WithParamInterface<PageCase> {};

// The names of the first kPageLimit bytes, and none after them.
TEST_P(PageLimit, NamesComeFromWhatWasReadBeforeTheCut) {
    const PageCase& c = GetParam();
    std::vector<std::string> names;
    std::string page = RandomNamesPage(kPageLimit, &names);
    Reply reply = Reply::Page(page + Line("past-the-limit.zip").substr(0, c.extra));
    reply.repeatBody = c.repeat;
    LoopbackServer server;
    server.Route("/5_1%20Installers/", reply);
    std::string listing;
    auto start = Clock::now();
    FetchFolderListing(server.Url("/5_1%20Installers/").c_str(), listing, ".");
    EXPECT_LT(Clock::now() - start, kBound);
    EXPECT_GT(names.size(), 1000u);
    EXPECT_TRUE(listing == Joined(names)) << listing.size() << " vs " << Joined(names).size();
}

INSTANTIATE_TEST_SUITE_P(
    Pages, PageLimit,
    ::testing::Values(PageCase{"AtTheLimit", 0, false}, PageCase{"OneBytePast", 1, false},
                      PageCase{"WholeLinePast", 1000, false}, PageCase{"WithoutEnd", 0, true}),
    [](const ::testing::TestParamInfo<PageCase>& p) { return std::string(p.param.name); });

// ---- Downloads -----------------------------------------------------------

struct StopCase {
    const char* name;
    Reply reply;
    net::DownloadFailure failure;
    bool created;  // the file existed before it was removed
};

// 20 KB/s: never stalled, and below the size limit when the total time runs
// out.
Reply TooSlow() { return Dripping(Reply::Generated(kPackageLimit - 1), Drip::kBody, 2048); }

class DownloadStop : public Bounded, public ::testing::WithParamInterface<StopCase> {};

TEST_P(DownloadStop, EndsInTimeDeletesThePartAndSaysWhy) {
    const StopCase& c = GetParam();
    LoopbackServer server;
    server.Route("/pkg.zip", c.reply);
    DownloadDir at;
    auto start = Clock::now();
    net::DownloadResult r =
        net::DownloadPackage(server.Url("/pkg.zip").c_str(), "pkg.zip", at.localPath);
    EXPECT_LT(Clock::now() - start, kBound);
    EXPECT_EQ(r.failure, c.failure) << net::DownloadOutcome(r).reason;
    EXPECT_FALSE(r.complete);
    EXPECT_EQ(r.removed, c.created);
    EXPECT_LE(r.received, kPackageLimit);
    EXPECT_FALSE(testing_support::FileExists(at.dir.Join("pkg.zip")));
    EXPECT_EQ(std::string(at.localPath), at.dir.path());
}

INSTANTIATE_TEST_SUITE_P(
    Limits, DownloadStop,
    ::testing::Values(
        StopCase{"EndlessBodyWithoutLength", Endless(), net::DownloadFailure::kSizeLimit, true},
        StopCase{"TenGigabytesAnnounced", Announcing(Endless(), "10737418240"),
                 net::DownloadFailure::kSizeLimit, false},
        StopCase{"DrippingBody", Dripping(Reply::Generated(100000), Drip::kBody),
                 net::DownloadFailure::kStalled, true},
        StopCase{"TooSlowForTheTotalTime", TooSlow(), net::DownloadFailure::kTimeLimit, true}),
    [](const ::testing::TestParamInfo<StopCase>& p) { return std::string(p.param.name); });

// The volume's free space never drops below the reserve, with or without an
// announced length; an announced length that would not fit is refused
// before the file exists. Needs root for a small tmpfs.
TEST_F(Bounded, ADownloadLeavesTheReserveFree) {
    testing_support::SmallVolume volume(8 * 1024 * 1024);
    if (!volume.ok()) GTEST_SKIP() << "no small volume here (needs root on POSIX)";
    constexpr std::uint64_t kReserve = 3 * 1024 * 1024;
    testing_support::ScopedSwitch reserve =
        testing_support::ScopedDownloadLimits(64 * 1024 * 1024, kReserve);
    struct {
        Reply reply;
        bool created;
    } cases[] = {{Endless(), true}, {Announcing(Endless(), "7340032"), false}};  // 7 MiB announced
    for (const auto& c : cases) {
        LoopbackServer server;
        server.Route("/pkg.zip", c.reply);
        char localPath[plat::kPathSize] = {};
        plat::CopyBounded(localPath, sizeof localPath, volume.path().c_str());
        net::DownloadResult r =
            net::DownloadPackage(server.Url("/pkg.zip").c_str(), "pkg.zip", localPath);
        EXPECT_EQ(r.failure, net::DownloadFailure::kNoSpace) << net::DownloadOutcome(r).reason;
        EXPECT_EQ(r.removed, c.created);
        EXPECT_GE(r.freeBytes, kReserve);
        if (c.created) {
            EXPECT_GT(r.received, 4u * 1024 * 1024);  // it did fill the volume
        }
        std::uint64_t free = 0;
        ASSERT_TRUE(plat::FreeDiskSpace(volume.path().c_str(), &free));
        EXPECT_GT(free, 7u * 1024 * 1024);  // the part was deleted
    }
}

// A link planted under the package's name is replaced, never written through.
TEST_F(Bounded, ALinkUnderThePackagesNameIsReplacedNotFollowed) {
    DownloadDir at;
    const testing_support::ScopedTempDir& dir = at.dir;
    std::string victim = dir.Join("victim.txt");
    ASSERT_TRUE(testing_support::WriteFile(victim, "keep me"));
    std::error_code ec;
    std::filesystem::create_symlink(victim, dir.Join("pkg.zip"), ec);
    if (ec) GTEST_SKIP() << "no symbolic links here: " << ec.message();
    LoopbackServer server;
    server.Route("/pkg.zip", Reply::Generated(50000));
    net::DownloadResult r =
        net::DownloadPackage(server.Url("/pkg.zip").c_str(), "pkg.zip", at.localPath);
    EXPECT_TRUE(r.complete) << net::DownloadOutcome(r).reason;
    EXPECT_EQ(testing_support::FileText(victim), "keep me");
    EXPECT_FALSE(std::filesystem::is_symlink(dir.Join("pkg.zip")));
    EXPECT_TRUE(testing_support::FileText(dir.Join("pkg.zip")) ==
                testing_support::GeneratedBody(50000));
}

}  // namespace

}  // namespace net_test
