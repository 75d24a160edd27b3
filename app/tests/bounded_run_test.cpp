// Whole runs with the program's own network and file services against
// servers and stations that misbehave: each run ends within its bound with
// "END", leaves no package behind, and lets nothing escape.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "app/run_guard.h"
#include "net/download.h"
#include "net/folder_listing.h"
#include "net/folder_result.h"
#include "net/tests/net_switches.h"
#include "platform/file_version.h"
#include "platform/http_limits.h"
#include "testing/hostile_replies.h"
#include "testing/loopback_server.h"
#include "testing/scoped_switches.h"
#include "testing/temp_dir.h"

using std::chrono::milliseconds;
using testing_support::Drip;
using testing_support::Dripping;
using testing_support::Endless;
using testing_support::LoopbackServer;
using testing_support::Repeated;
using testing_support::Reply;

namespace {

using Clock = std::chrono::steady_clock;

// A few requests, each at most HostileLimits::kTotalCap.
constexpr milliseconds kRunBound{20000};
constexpr std::uint64_t kMemoryBound = 64 * 1024 * 1024;

// The process's peak resident size (Linux); 0 where it cannot be read.
std::uint64_t PeakResidentBytes() {
    std::ifstream status("/proc/self/status");
    std::string word;
    while (status >> word) {
        if (word == "VmHWM:") {
            std::uint64_t kb = 0;
            status >> kb;
            return kb * 1024;
        }
    }
    return 0;
}

struct RunRecord {
    std::vector<std::string> log;
    std::vector<std::string> installed;
    milliseconds took{};
};

update::UpdateServices Services(RunRecord* run) {
    update::UpdateServices s;
    s.writeLog = [run](const vocab::LogEvent& e) { run->log.push_back(vocab::LogLineText(e)); };
    s.readFileVersion = plat::ReadFileVersion;
    s.fetchListing = [](const char* url, std::string& listing) {
        return net::ListingOutcome(net::FetchFolderNames(url, listing, "."));
    };
    s.download = [](const char* url, const char* name, char* localPath) {
        net::DownloadResult r = net::DownloadPackage(url, name, localPath);
        return update::PackageDownload{net::DownloadOutcome(r), r.resumedFrom, std::move(r.file)};
    };
    s.install = [run](const char* name, const char*, const plat::File&, const char*) {
        run->installed.push_back(name);
    };
    return s;
}

class BoundedRun : public ::testing::Test {
protected:
    testing_support::HostileLimits limits_;

    RunRecord RunIn(const std::string& base, const update::UpdateServices* services = nullptr) {
        RunRecord run;
        testing_support::ScopedCurrentDir cd(station.path());
        auto start = Clock::now();
        const update::UpdateServices s = services ? *services : Services(&run);
        app::RunUpdateGuarded(s.writeLog, [&] { return app::RunStart{s, base}; });
        run.took = std::chrono::duration_cast<milliseconds>(Clock::now() - start);
        return run;
    }

    testing_support::ScopedTempDir station;
};

// The base URL ends in "/" and the folder path begins with one.
const char kFolder[] = "/b//5_1%20Installers/";
const std::string kPage = "<a href=\"5.10.0023.zip\">5.10.0023.zip</a>\n";

struct HostileCase {
    const char* name;
    Reply listing;
    Reply package;
    const char* failure;  // start of the DOWLOAD FAILED reason; null: none logged
    bool installed;
};

Reply EndlessPage() { return Repeated(Reply::Page(kPage + std::string(200, ' ') + "\n")); }

class HostileServer : public BoundedRun, public ::testing::WithParamInterface<HostileCase> {};

TEST_P(HostileServer, TheRunEndsInTimeWithEndAndNoPackageLeft) {
    const HostileCase& c = GetParam();
    LoopbackServer server;
    server.Route(kFolder, c.listing);
    server.Route(std::string(kFolder) + "5.10.0023.zip", c.package);
    std::uint64_t peakBefore = PeakResidentBytes();
    RunRecord run = RunIn(server.Url("/b/"));

    EXPECT_LT(run.took, kRunBound);
    ASSERT_FALSE(run.log.empty());
    EXPECT_EQ(run.log.front(), "START");
    EXPECT_EQ(run.log.back(), "END");
    std::string failed;
    for (const std::string& line : run.log)
        if (line.rfind("DOWLOAD FAILED: ", 0) == 0) failed = line;
    if (c.failure) {
        EXPECT_EQ(failed.rfind(std::string("DOWLOAD FAILED: 5.10.0023.zip (") + c.failure, 0), 0u)
            << failed;
        EXPECT_FALSE(testing_support::FileExists(station.Join("5.10.0023.zip")));
    } else {
        EXPECT_EQ(failed, "");
    }
    EXPECT_EQ(run.installed.size(), c.installed ? 1u : 0u);
    std::uint64_t peakAfter = PeakResidentBytes();
    if (peakBefore) {
        EXPECT_LT(peakAfter - peakBefore, kMemoryBound);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Servers, HostileServer,
    ::testing::Values(
        HostileCase{"EndlessPage", EndlessPage(), Reply::Generated(5000), nullptr, true},
        HostileCase{"PageBodyDripping", Dripping(Reply::Page(kPage), Drip::kBody),
                    Reply::Generated(5000), nullptr, false},
        HostileCase{"EndlessPackage", Reply::Page(kPage), Endless(), "size limit after", false}),
    [](const ::testing::TestParamInfo<HostileCase>& p) { return std::string(p.param.name); });

// An allocation failure anywhere in the run: "END" is still its last line,
// written once, and nothing escapes.
TEST_F(BoundedRun, AnAllocationFailureStillEndsTheRunWithEnd) {
    for (int where = 0; where < 3; ++where) {
        RunRecord run;
        update::UpdateServices s = Services(&run);
        s.fetchListing = [where](const char*, std::string& listing) {
            if (where == 0) throw std::bad_alloc();
            listing = "5.10.0023.zip\t";
            return vocab::Outcome();
        };
        s.download = [where](const char*, const char*, char*) -> update::PackageDownload {
            if (where == 1) throw std::bad_alloc();
            return update::PackageDownload{};
        };
        s.install = [where](const char*, const char*, const plat::File&, const char*) {
            if (where == 2) throw std::bad_alloc();
        };
        RunRecord ignored = RunIn("http://127.0.0.1:9/", &s);
        ASSERT_FALSE(run.log.empty()) << where;
        EXPECT_EQ(run.log.front(), "START") << where;
        EXPECT_EQ(run.log.back(), "END") << where;
        EXPECT_EQ(std::count(run.log.begin(), run.log.end(), "END"), 1) << where;
    }
}

}  // namespace
