// Opening, renaming and inspecting names without ever following a link at
// the name: identical expectations on both backends.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/file_handle.h"
#include "platform/file_system.h"
#include "testing/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using plat::PathKind;
using testing_support::FileText;
using testing_support::ScopedTempDir;
using testing_support::WriteFile;

class LinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(WriteFile(target_, "target"));
        std::error_code ec;
        fs::create_symlink(target_, link_, ec);
        fs::create_symlink(dir_.Join("nowhere"), dangling_, ec);
        linked_ = !ec;
    }
    bool TargetUntouched() { return FileText(target_) == "target"; }

    ScopedTempDir dir_;
    std::string target_ = dir_.Join("target.txt");
    std::string link_ = dir_.Join("link.txt");
    std::string dangling_ = dir_.Join("dangling.txt");
    bool linked_ = false;
};

TEST_F(LinkTest, InspectPathNamesWhatIsThereWithoutFollowing) {
    EXPECT_EQ(plat::InspectPath(target_.c_str()), PathKind::kFile);
    EXPECT_EQ(plat::InspectPath(dir_.path().c_str()), PathKind::kDirectory);
    EXPECT_EQ(plat::InspectPath(dir_.Join("missing").c_str()), PathKind::kMissing);
    EXPECT_EQ(plat::InspectPath(dir_.Join("missing/deeper").c_str()), PathKind::kMissing);
    if (!linked_) GTEST_SKIP() << "no symbolic links here";
    EXPECT_EQ(plat::InspectPath(link_.c_str()), PathKind::kLink);
    EXPECT_EQ(plat::InspectPath(dangling_.c_str()), PathKind::kLink);
}

TEST_F(LinkTest, CreateNewMakesOnlyNewFiles) {
    std::string fresh = dir_.Join("fresh.txt");
    plat::File file = plat::File::CreateNew(fresh.c_str(), plat::kAttrArchive);
    ASSERT_TRUE(file.valid());
    EXPECT_TRUE(file.Write("abc", 3));
    file.Close();
    EXPECT_FALSE(plat::File::CreateNew(fresh.c_str(), plat::kAttrArchive).valid());
    EXPECT_FALSE(plat::File::CreateNew(target_.c_str(), plat::kAttrArchive).valid());
    if (!linked_) GTEST_SKIP() << "no symbolic links here";
    EXPECT_FALSE(plat::File::CreateNew(link_.c_str(), plat::kAttrArchive).valid());
    EXPECT_FALSE(plat::File::CreateNew(dangling_.c_str(), plat::kAttrArchive).valid());
    EXPECT_FALSE(fs::exists(dir_.Join("nowhere")));
    EXPECT_TRUE(TargetUntouched());
}

TEST_F(LinkTest, OpenForAppendAppendsTruncatesAndRefusesLinks) {
    std::string log = dir_.Join("log.txt");
    for (bool truncate : {false, false, true, false}) {
        plat::File file = plat::File::OpenForAppend(log.c_str(), truncate);
        ASSERT_TRUE(file.valid());
        EXPECT_TRUE(file.Write(truncate ? "T" : "a", 1));
    }
    EXPECT_EQ(FileText(log), "Ta");
    if (!linked_) GTEST_SKIP() << "no symbolic links here";
    EXPECT_FALSE(plat::File::OpenForAppend(link_.c_str(), false).valid());
    EXPECT_FALSE(plat::File::OpenForAppend(link_.c_str(), true).valid());
    EXPECT_FALSE(plat::File::OpenForAppend(dangling_.c_str(), false).valid());
    EXPECT_FALSE(fs::exists(dir_.Join("nowhere")));
    EXPECT_TRUE(TargetUntouched());
}

TEST(FileSystem, SetAttributesReplacesTheReadOnlyBit) {
    ScopedTempDir dir;
    std::string file = dir.Join("f.txt");
    ASSERT_TRUE(WriteFile(file, "x"));
    ASSERT_TRUE(plat::SetAttributes(file.c_str(), plat::kAttrArchive | plat::kAttrReadOnly));
    EXPECT_NE(plat::ReadAttributes(file.c_str()) & plat::kAttrReadOnly, 0u);
    EXPECT_FALSE(plat::RemoveFile(file.c_str()));
    ASSERT_TRUE(plat::SetAttributes(file.c_str(), plat::kAttrArchive));
    EXPECT_EQ(plat::ReadAttributes(file.c_str()) & plat::kAttrReadOnly, 0u);
}

}  // namespace
