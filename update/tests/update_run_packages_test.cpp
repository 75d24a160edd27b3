// What becomes of each chosen package: a stale file deleted before its
// download, a kept part resumed, and a failed or refused download named with
// its reason and never installed.
#include "update/update_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "update/tests/fake_world.h"

namespace update {

namespace {

using testing_support::FileExists;
using testing_support::WriteFile;

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
    if (!c.staleFileStays) {  // deleted before its download, not after
        for (const std::string& line : world.journal)
            EXPECT_EQ(line.find("stale file still there"), std::string::npos) << line;
    }
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

// A package that did not arrive whole, or that the check refused, is named
// with its reason and never handed to the install step; the other goes on.
// Each is fetched and checked by its listed name, stored by its canonical one.
struct FailureCase {
    const char* name;
    const char* downloadFailure;  // of 5.10.0023.zip; null: none
    bool checking;
    const char* refusal;                            // of 5.1.23.Zip; null: none
    std::vector<std::string> expectedFirstPackage;  // journal lines after its download
};

class PackageFailureTest : public UpdateRunTest,
                           public ::testing::WithParamInterface<FailureCase> {};

std::string Checked(const char* line, const std::string& listedName, const std::string& name) {
    return "check:" + Folder(line) + listedName + " at /full/" + name;
}

TEST_P(PackageFailureTest, LogsTheReasonAndSkipsOnlyThatInstall) {
    const FailureCase& c = GetParam();
    world.fileVersion = "5.10.0020";
    world.listings[Folder("5_1")] = "5.1.23.Zip\t";
    world.listings[Folder("5_2")] = "5.20.0001.zip\t";
    if (c.downloadFailure) world.downloadFailures["5.10.0023.zip"] = c.downloadFailure;
    world.checking = c.checking;
    if (c.refusal) world.refusals["5.1.23.Zip"] = c.refusal;
    Run();
    std::vector<std::string> check;
    if (c.checking) check = {Checked("5_2", "5.20.0001.zip", "5.20.0001.zip")};
    EXPECT_EQ(world.journal, Joined({{"log:START!"},
                                     Delivered("5_1", "5.1.23.Zip", "5.10.0023.zip"),
                                     c.expectedFirstPackage,
                                     Delivered("5_2", "5.20.0001.zip", "5.20.0001.zip"),
                                     check,
                                     {Installed("5.20.0001.zip"), "log:END"}}));
}

const std::string kFailed = "log:DOWLOAD FAILED: 5.10.0023.zip";

INSTANTIATE_TEST_SUITE_P(
    Cases, PackageFailureTest,
    ::testing::Values(
        FailureCase{"DownloadFailed", "status 404", false, nullptr, {kFailed + "(status 404)"}},
        FailureCase{"DownloadFailedIsNotChecked",
                    "received 10 of 20 bytes",
                    true,
                    nullptr,
                    {kFailed + "(received 10 of 20 bytes)"}},
        FailureCase{
            "FailureWithoutReasonStillSaysSo", "", false, nullptr, {kFailed + "(unknown reason)"}},
        FailureCase{"CheckRefusesByListedName",
                    nullptr,
                    true,
                    "no signature",
                    {Checked("5_1", "5.1.23.Zip", "5.10.0023.zip"),
                     "log:SIGNATURE REFUSED: 5.10.0023.zip(no signature)"}},
        FailureCase{"CheckAccepts",
                    nullptr,
                    true,
                    nullptr,
                    {Checked("5_1", "5.1.23.Zip", "5.10.0023.zip"), Installed("5.10.0023.zip")}}),
    [](const ::testing::TestParamInfo<FailureCase>& p) { return p.param.name; });

}  // namespace

}  // namespace update
