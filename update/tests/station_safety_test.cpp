// The station check on disk, as root with a second account. Wine has no
// real owners (every file is the running user's), so this is shown on POSIX
// only; the Windows decision is tested with given security descriptors in
// platform/tests/path_safety_test.cpp.
#ifndef _WIN32
#include "update/station_safety.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "testing/temp_dir.h"

namespace update {
namespace {

using Kind = plat::Safety::Kind;
using testing_support::ScopedTempDir;
using testing_support::WriteFile;

constexpr unsigned kOtherUid = 4242421;  // no such user

struct SpoiledStation {
    const char* name;
    // Changes the safe station below root: station/station.ini, data/.
    void (*spoil)(const std::string& root);
    const char* path;  // the finding's path below root; "station.ini" as it is; null: none
    Kind kind;
    const char* who;
};

void LinkAs(const std::string& target, const std::string& link, unsigned owner = 0) {
    ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
    ASSERT_EQ(::lchown(link.c_str(), owner, 0), 0);
}

void FolderAs(const std::string& path, unsigned owner = 0, unsigned mode = 0755) {
    ASSERT_EQ(::mkdir(path.c_str(), mode), 0);
    ASSERT_EQ(::chown(path.c_str(), owner, 0), 0);
    ASSERT_EQ(::chmod(path.c_str(), mode), 0);
}

const SpoiledStation kSpoiled[] = {
    {"Safe", [](const std::string&) {}, nullptr, Kind::kSafe, ""},
    {"StationIniOfAnotherUser",
     [](const std::string& r) { ::chown((r + "/station/station.ini").c_str(), kOtherUid, 0); },
     "station.ini", Kind::kOwner, "uid 4242421"},
    {"StationFolderGroupWritable",
     [](const std::string& r) { ::chmod((r + "/station").c_str(), 0775); }, "station",
     Kind::kWriter, "group root"},
    {"MissingInstallInStickyDataDirectory",
     [](const std::string& r) { ::chmod((r + "/data").c_str(), 01777); }, "data", Kind::kWriter,
     "others"},
    {"InstallLinkOfAnotherUser",
     [](const std::string& r) { LinkAs(r + "/target", r + "/data/install", kOtherUid); },
     "data/install", Kind::kOwner, "uid 4242421"},
    {"InstallLinkToAnotherUsersFolder",
     [](const std::string& r) {
         FolderAs(r + "/theirs", kOtherUid);
         LinkAs(r + "/theirs", r + "/data/install");
     },
     "theirs", Kind::kOwner, "uid 4242421"},
    {"InstallLinkThroughAnotherUsersLink",
     [](const std::string& r) {
         LinkAs(r + "/target", r + "/hop", kOtherUid);
         LinkAs("../hop/x", r + "/data/install");
     },
     "hop", Kind::kOwner, "uid 4242421"},
    {"LinkLoop",
     [](const std::string& r) {
         LinkAs(r + "/data/loop", r + "/data/install");
         LinkAs(r + "/data/install", r + "/data/loop");
     },
     "data/install", Kind::kUnreadable, ""},
};

class StationSafetyTest : public ::testing::TestWithParam<SpoiledStation> {};

TEST_P(StationSafetyTest, NamesTheFirstEntryAnotherAccountMayChange) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to make another user's files";
    ScopedTempDir dir;
    // Below a sticky, world-writable folder (as /tmp is) whose entries are root's.
    const std::string root = dir.Join("shared");
    FolderAs(root, 0, 01777);
    FolderAs(root + "/station");
    FolderAs(root + "/data");
    FolderAs(root + "/target");
    ASSERT_TRUE(WriteFile(root + "/station/station.ini", "[STATIONINFO]\n"));
    GetParam().spoil(root);
    std::vector<StationFinding> found =
        CheckStationSafety((root + "/station/").c_str(), (root + "/data").c_str());
    if (!GetParam().path) {
        EXPECT_TRUE(found.empty()) << found.front().path;
        return;
    }
    ASSERT_FALSE(found.empty());
    const std::string path = GetParam().path;
    EXPECT_EQ(found.front().path, path == "station.ini" ? path : root + "/" + path);
    EXPECT_EQ(found.front().entry.safety.kind, GetParam().kind);
    EXPECT_EQ(found.front().entry.safety.who, GetParam().who);
}

std::string SpoiledName(const ::testing::TestParamInfo<SpoiledStation>& param) {
    return param.param.name;
}

INSTANTIATE_TEST_SUITE_P(Cases, StationSafetyTest, ::testing::ValuesIn(kSpoiled), SpoiledName);

}  // namespace
}  // namespace update
#endif
