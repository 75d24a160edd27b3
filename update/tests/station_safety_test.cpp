// The station check on disk, as root with a second account: POSIX only, as
// Wine has no real owners (platform/tests/path_safety_test.cpp judges given
// security descriptors).
#ifndef _WIN32
#include "update/station_safety.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "testing/temp_dir.h"

namespace update {
namespace {

constexpr unsigned kOtherUid = 4242421;  // no such user

void LinkAs(const std::string& target, const std::string& link, unsigned owner = 0) {
    EXPECT_EQ(::symlink(target.c_str(), link.c_str()) | ::lchown(link.c_str(), owner, 0), 0);
}

void FolderAs(const std::string& path, unsigned owner = 0, unsigned mode = 0755) {
    EXPECT_EQ(
        ::mkdir(path.c_str(), mode) | ::chown(path.c_str(), owner, 0) | ::chmod(path.c_str(), mode),
        0);
}

struct SpoiledStation {
    const char* name;
    void (*spoil)(const std::string& root);  // below root: station/station.ini, data/, target/
    const char* path;                        // the first finding's path below root, null for none
    const char* reason;
};

const SpoiledStation kSpoiled[] = {
    {"SafeBelowStickyFolder", [](const std::string&) {}, nullptr, ""},
    {"StickyDataDirectoryWithoutInstall",
     [](const std::string& r) { ::chmod((r + "/data").c_str(), 01777); }, "data",
     "others may change it"},
    {"InstallLinkToAnotherUsersFolder",
     [](const std::string& r) {
         FolderAs(r + "/theirs", kOtherUid);
         LinkAs(r + "/theirs", r + "/data/install");
     },
     "theirs", "uid 4242421 owns it"},
    {"InstallLinkThroughAnotherUsersLink",
     [](const std::string& r) {
         LinkAs(r + "/target", r + "/hop", kOtherUid);
         LinkAs("../hop/x", r + "/data/install");
     },
     "hop", "uid 4242421 owns it"},
    {"LinkLoop",
     [](const std::string& r) {
         LinkAs(r + "/data/loop", r + "/data/install");
         LinkAs(r + "/data/install", r + "/data/loop");
     },
     "data/install", "its owner or permissions cannot be read"},
};

class StationSafetyTest : public ::testing::TestWithParam<SpoiledStation> {};

TEST_P(StationSafetyTest, NamesTheFirstEntryAnotherAccountMayChange) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to make another user's files";
    testing_support::ScopedTempDir dir;
    const std::string root = dir.Join("shared");  // sticky and world-writable, as /tmp
    for (const char* folder : {"", "/station", "/data", "/target"})
        FolderAs(root + folder, 0, *folder ? 0755 : 01777);
    ASSERT_TRUE(testing_support::WriteFile(root + "/station/station.ini", "[STATIONINFO]\n"));
    GetParam().spoil(root);
    const std::vector<StationFinding> found =
        CheckStationSafety((root + "/station/").c_str(), (root + "/data").c_str());
    ASSERT_EQ(found.empty(), GetParam().path == nullptr);
    if (found.empty()) return;
    EXPECT_EQ(found.front().path, root + "/" + GetParam().path);
    EXPECT_EQ(StationFindingReason(found.front().entry.safety), GetParam().reason);
}

std::string SpoiledName(const ::testing::TestParamInfo<SpoiledStation>& param) {
    return param.param.name;
}

INSTANTIATE_TEST_SUITE_P(Cases, StationSafetyTest, ::testing::ValuesIn(kSpoiled), SpoiledName);

}  // namespace
}  // namespace update
#endif
