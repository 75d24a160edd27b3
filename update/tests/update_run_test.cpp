#include "update/update_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "testing/temp_dir.h"

namespace update {

namespace {

using testing_support::FileExists;
using testing_support::ScopedCurrentDir;
using testing_support::ScopedTempDir;
using testing_support::WriteFile;

const std::string kBase = "http://host/Marl%20Quill/MarlQuill/";

std::string Folder(const char* line) { return kBase + "/" + line + "%20Installers/"; }

// A fake installer server and file system: folder listings by URL, and a
// journal of every call the run makes.
class FakeWorld {
public:
    std::map<std::string, std::string> listings;
    std::string catchAllListing;                        // answer for unknown folders
    bool listingNamesFolder = false;                    // unknown folders list a link to themselves
    std::string fileVersion;                            // frontend.exe's FileVersion; empty: none
    std::map<std::string, std::string> folderFailures;  // folder URL -> reason
    std::map<std::string, std::string> downloadFailures;  // local name -> reason
    std::map<std::string, std::string> refusals;          // listed name -> check's reason
    bool checking = false;                                // checkPackage is set
    bool recovering = false;                              // recover is set
    std::vector<std::string> journal;
    std::vector<std::string> fetched;

    UpdateServices Services() {
        UpdateServices s;
        s.writeLog = [this](const vocab::LogEvent& e) {
            bool starts = e.kind == vocab::LogKind::kStart;
            journal.push_back("log:" + (vocab::LogPrefix(e.kind) + e.text) + e.detail +
                              (starts ? "!" : ""));
        };
        s.readFileVersion = [this](const char*, char* buffer, std::size_t size) {
            if (fileVersion.empty()) return false;
            std::strncpy(buffer, fileVersion.c_str(), size - 1);
            return true;
        };
        s.fetchListing = [this](const char* url, std::string& listing) {
            fetched.push_back(url);
            auto it = listings.find(url);
            if (it != listings.end())
                listing += it->second;
            else if (listingNamesFolder)
                listing += std::string(url) + "x.html\t";
            else
                listing += catchAllListing;
            auto failure = folderFailures.find(url);
            return failure == folderFailures.end() ? vocab::Outcome()
                                                   : vocab::Outcome::Failed("", failure->second);
        };
        s.download = [this](const char* url, const char* name, char* localPath) {
            journal.push_back(std::string("download:") + url + " -> " + name +
                              (FileExists(name) ? " (stale file still there)" : ""));
            auto failure = downloadFailures.find(name);
            if (failure != downloadFailures.end())
                return PackageDownload{vocab::Outcome::Failed("", failure->second), 0, {}};
            std::strcpy(localPath, "/full/");
            std::strcat(localPath, name);
            return PackageDownload{};
        };
        if (checking) {
            s.checkPackage = [this](const char* folderUrl, const char* listedName,
                                    const char* localPath, const plat::File&) {
                journal.push_back(std::string("check:") + folderUrl + listedName + " at " +
                                  localPath);
                auto refusal = refusals.find(listedName);
                return refusal != refusals.end() ? vocab::Outcome::Refused("", refusal->second)
                                                 : vocab::Outcome();
            };
        }
        if (recovering) {
            s.recover = [this](const char* dataDir) {
                journal.push_back(std::string("recover:") + dataDir + " after " +
                                  std::to_string(fetched.size()) + " requests");
            };
        }
        s.install = [this](const char* name, const char* path, const plat::File&,
                           const char* dataDir) {
            journal.push_back(std::string("install:") + name + " from " + path + " into " +
                              dataDir);
        };
        return s;
    }
};

class UpdateRunTest : public ::testing::Test {
protected:
    ScopedTempDir dir;
    ScopedCurrentDir cd{dir.path()};
    FakeWorld world;

    void Station(const std::string& text) { ASSERT_TRUE(WriteFile(dir.Join("station.ini"), text)); }
    void Run() { RunUpdate(world.Services(), kBase); }
};

TEST_F(UpdateRunTest, WorkedExampleInstallsBothLinesCurrentFirst) {
    world.fileVersion = "5.10.0020";
    Station("[STATIONINFO]\r\nDBDirectory=D:\\Data\r\n");
    world.listings[Folder("5_1")] = "5.10.0019.zip\t5.10.0021.zip\t5.10.0023.zip\t";
    world.listings[Folder("5_2")] = "5.20.0001.zip\t";
    Run();
    std::vector<std::string> expected{
        "log:START!",
        "log:START DOWLOAD: 5.10.0023.zip",
        "download:" + Folder("5_1") + "5.10.0023.zip -> 5.10.0023.zip",
        "log:END DOWLOAD: 5.10.0023.zip",
        "install:5.10.0023.zip from /full/5.10.0023.zip into D:\\Data",
        "log:START DOWLOAD: 5.20.0001.zip",
        "download:" + Folder("5_2") + "5.20.0001.zip -> 5.20.0001.zip",
        "log:END DOWLOAD: 5.20.0001.zip",
        "install:5.20.0001.zip from /full/5.20.0001.zip into D:\\Data",
        "log:END"};
    EXPECT_EQ(world.journal, expected);
    std::vector<std::string> fetched{Folder("5_1"), Folder("5_2"), Folder("5_3")};
    EXPECT_EQ(world.fetched, fetched);
}

TEST_F(UpdateRunTest, LeftoverInstallIsRecoveredRightAfterStartBeforeAnyRequest) {
    world.recovering = true;
    Station("[STATIONINFO]\r\nDBDirectory=D:\\Data\r\n");
    Run();
    std::vector<std::string> expected{"log:START!", "recover:D:\\Data after 0 requests", "log:END"};
    EXPECT_EQ(world.journal, expected);
}

// A privileged run's refusal comes before recovery and any request, and ends the run.
TEST_F(UpdateRunTest, StationRefusalEndsTheRunBeforeRecoveryAndRequests) {
    world.recovering = true;
    Station("[STATIONINFO]\r\nDBDirectory=D:\\Data\r\n");
    UpdateServices services = world.Services();
    services.checkStation = [](const char*, const char* dataDir) {
        return vocab::Outcome::Refused("station.ini", std::string("Users may change ") + dataDir);
    };
    RunUpdate(services, kBase);
    std::vector<std::string> expected{
        "log:START!", "log:STATION UNSAFE: station.ini(Users may change D:\\Data)", "log:END"};
    EXPECT_EQ(world.journal, expected);
    EXPECT_TRUE(world.fetched.empty());
}

TEST_F(UpdateRunTest, ListedNameIsFetchedAsListedAndStoredUnderItsCanonicalName) {
    Station("[STATIONINFO]\nFrontendVersion=5.10.0020\n");
    world.listings[Folder("5_1")] = "5.1.23.Zip\t";
    Run();
    ASSERT_GE(world.journal.size(), 3u);
    EXPECT_EQ(world.journal[1], "log:START DOWLOAD: 5.10.0023.zip");
    EXPECT_EQ(world.journal[2], "download:" + Folder("5_1") + "5.1.23.Zip -> 5.10.0023.zip");
}

TEST_F(UpdateRunTest, StationVersionOverridesTheFileVersion) {
    world.fileVersion = "5.10.0002";
    Station("[STATIONINFO]\nFrontendVersion=6.90.0100\n");
    Run();
    ASSERT_GE(world.fetched.size(), 2u);
    EXPECT_EQ(world.fetched[0], Folder("6_9"));
    EXPECT_EQ(world.fetched[1], Folder("7_0"));
}

TEST_F(UpdateRunTest, VersionDefaultsTo510WithoutFileOrStation) {
    Run();
    ASSERT_EQ(world.fetched.size(), 2u);
    EXPECT_EQ(world.fetched[0], Folder("5_1"));
    std::vector<std::string> expected{"log:START!", "log:END"};
    EXPECT_EQ(world.journal, expected);
}

TEST_F(UpdateRunTest, NineMinorProbesTheNextMajor) {
    world.fileVersion = "5.90.0003";
    Run();
    ASSERT_EQ(world.fetched.size(), 2u);
    EXPECT_EQ(world.fetched[1], Folder("6_0"));
}

TEST_F(UpdateRunTest, StaleLocalPackageIsDeletedBeforeItsDownload) {
    world.fileVersion = "5.10.0020";
    world.listings[Folder("5_1")] = "5.10.0023.zip\t";
    ASSERT_TRUE(WriteFile(dir.Join("5.10.0023.zip"), "stale"));
    Run();
    ASSERT_GE(world.journal.size(), 3u);
    EXPECT_EQ(world.journal[2], "download:" + Folder("5_1") + "5.10.0023.zip -> 5.10.0023.zip");
    EXPECT_FALSE(FileExists(dir.Join("5.10.0023.zip")));
}

// Kept parts of cut downloads: resumed in place of being deleted, the
// resumption logged, and the parts of other packages dropped only once a
// listing was had.
struct PartCase {
    const char* name;
    bool listed;  // the installed line's folder lists 5.10.0023.zip
    bool kept;    // keepsPart answers yes
    std::uint64_t resumed;
    std::vector<std::string> keepOnly;  // keepOnlyParts' argument; {"-"}: not called
    bool staleFileStays;
};

class UpdateRunParts : public UpdateRunTest, public ::testing::WithParamInterface<PartCase> {};

TEST_P(UpdateRunParts, ResumesKeptPartsAndDropsOthers) {
    const PartCase& c = GetParam();
    world.fileVersion = "5.10.0020";
    if (c.listed) world.listings[Folder("5_1")] = "5.10.0023.zip\t";
    ASSERT_TRUE(WriteFile(dir.Join("5.10.0023.zip"), "part"));
    std::vector<std::string> keepOnly{"-"};
    UpdateServices s = world.Services();
    s.keepsPart = [&](const char* url, const char* name) {
        EXPECT_EQ(std::string(url), Folder("5_1") + "5.10.0023.zip");
        EXPECT_EQ(std::string(name), "5.10.0023.zip");
        return PartFound{c.kept, vocab::Outcome()};
    };
    s.keepOnlyParts = [&](const std::vector<std::string>& names) { keepOnly = names; };
    auto download = s.download;
    s.download = [&](const char* url, const char* name, char* localPath) {
        PackageDownload d = download(url, name, localPath);
        d.resumedFrom = c.resumed;
        return d;
    };
    RunUpdate(s, kBase);
    EXPECT_EQ(keepOnly, c.keepOnly);
    EXPECT_EQ(FileExists(dir.Join("5.10.0023.zip")), c.staleFileStays);
    bool logged =
        std::find(world.journal.begin(), world.journal.end(),
                  "log:DOWLOAD RESUMED: 5.10.0023.zip(from byte 3000)") != world.journal.end();
    EXPECT_EQ(logged, c.resumed > 0);
}

INSTANTIATE_TEST_SUITE_P(
    Table, UpdateRunParts,
    ::testing::Values(PartCase{"kept_and_resumed", true, true, 3000, {"5.10.0023.zip"}, true},
                      PartCase{"not_kept", true, false, 0, {"5.10.0023.zip"}, false},
                      PartCase{"no_listing_keeps_parts", false, false, 0, {"-"}, true}),
    [](const ::testing::TestParamInfo<PartCase>& p) { return std::string(p.param.name); });

TEST_F(UpdateRunTest, EmptyCurrentLineStillInstallsTheNewestLine) {
    world.fileVersion = "5.10.0020";
    world.listings[Folder("5_2")] = "5.20.0001.zip\t";
    world.listings[Folder("5_3")] = "5.30.0004.zip\t5.30.0002.zip\t";
    Run();
    std::vector<std::string> expected{
        "log:START!",
        "log:START DOWLOAD: 5.30.0002.zip",
        "download:" + Folder("5_3") + "5.30.0002.zip -> 5.30.0002.zip",
        "log:END DOWLOAD: 5.30.0002.zip",
        "install:5.30.0002.zip from /full/5.30.0002.zip into ",
        "log:END"};
    EXPECT_EQ(world.journal, expected);
}

TEST_F(UpdateRunTest, CatchAllPageStopsProbingAndIsNoVersionLine) {
    world.fileVersion = "5.10.0020";
    world.listings[Folder("5_1")] = "5.10.0021.zip\t";
    world.listings[Folder("5_2")] = "5.20.0001.zip\t";
    world.catchAllListing = "help.html\t../\t";
    Run();
    std::vector<std::string> fetched{Folder("5_1"), Folder("5_2"), Folder("5_3"), Folder("5_4")};
    EXPECT_EQ(world.fetched, fetched);
    ASSERT_EQ(world.journal.size(), 10u);
    EXPECT_EQ(world.journal[5], "log:START DOWLOAD: 5.20.0001.zip");
}

TEST_F(UpdateRunTest, ProbingEndsAfterAHundredFolders) {
    world.listingNamesFolder = true;  // every folder "exists" and differs
    Run();
    EXPECT_EQ(world.fetched.size(), 1u + kMaxProbes);
    EXPECT_EQ(world.fetched.back(), Folder("15_1"));
}

// A package that did not arrive whole, or that the check refused, is named
// with its reason and never handed to the install step; the other goes on.
struct FailureCase {
    const char* name;
    std::map<std::string, std::string> downloadFailures;
    bool checking;
    std::map<std::string, std::string> refusals;
    std::vector<std::string> expectedFirstPackage;  // journal lines after START DOWLOAD
};

class PackageFailureTest : public UpdateRunTest,
                           public ::testing::WithParamInterface<FailureCase> {};

TEST_P(PackageFailureTest, LogsTheReasonAndSkipsOnlyThatInstall) {
    const FailureCase& c = GetParam();
    world.fileVersion = "5.10.0020";
    world.listings[Folder("5_1")] = "5.1.23.zip\t";
    world.listings[Folder("5_2")] = "5.20.0001.zip\t";
    world.downloadFailures = c.downloadFailures;
    world.checking = c.checking;
    world.refusals = c.refusals;
    Run();
    std::vector<std::string> expected{"log:START!", "log:START DOWLOAD: 5.10.0023.zip",
                                      "download:" + Folder("5_1") + "5.1.23.zip -> 5.10.0023.zip",
                                      "log:END DOWLOAD: 5.10.0023.zip"};
    expected.insert(expected.end(), c.expectedFirstPackage.begin(), c.expectedFirstPackage.end());
    std::vector<std::string> second{"log:START DOWLOAD: 5.20.0001.zip",
                                    "download:" + Folder("5_2") + "5.20.0001.zip -> 5.20.0001.zip",
                                    "log:END DOWLOAD: 5.20.0001.zip"};
    if (c.checking)
        second.push_back("check:" + Folder("5_2") + "5.20.0001.zip at /full/5.20.0001.zip");
    second.push_back("install:5.20.0001.zip from /full/5.20.0001.zip into ");
    second.push_back("log:END");
    expected.insert(expected.end(), second.begin(), second.end());
    EXPECT_EQ(world.journal, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PackageFailureTest,
    ::testing::Values(FailureCase{"DownloadFailed",
                                  {{"5.10.0023.zip", "status 404"}},
                                  false,
                                  {},
                                  {"log:DOWLOAD FAILED: 5.10.0023.zip(status 404)"}},
                      FailureCase{"DownloadFailedIsNotChecked",
                                  {{"5.10.0023.zip", "received 10 of 20 bytes"}},
                                  true,
                                  {},
                                  {"log:DOWLOAD FAILED: 5.10.0023.zip(received 10 of 20 bytes)"}},
                      FailureCase{"FailureWithoutReasonStillSaysSo",
                                  {{"5.10.0023.zip", ""}},
                                  false,
                                  {},
                                  {"log:DOWLOAD FAILED: 5.10.0023.zip(unknown reason)"}},
                      FailureCase{"CheckRefusesByListedName",
                                  {},
                                  true,
                                  {{"5.1.23.zip", "no signature"}},
                                  {"check:" + Folder("5_1") + "5.1.23.zip at /full/5.10.0023.zip",
                                   "log:SIGNATURE REFUSED: 5.10.0023.zip(no signature)"}},
                      FailureCase{"CheckAccepts",
                                  {},
                                  true,
                                  {},
                                  {"check:" + Folder("5_1") + "5.1.23.zip at /full/5.10.0023.zip",
                                   "install:5.10.0023.zip from /full/5.10.0023.zip into "}}),
    [](const ::testing::TestParamInfo<FailureCase>& p) { return p.param.name; });

}  // namespace

}  // namespace update
