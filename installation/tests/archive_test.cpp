// Opening archives and describing their items.
#include <gtest/gtest.h>

#include <string>

#include "installation/archive.h"
#include "installation/archive_item_info.h"
#include "installation/archive_state.h"
#include "installation/tests/install_fixture.h"
#include "platform/system.h"

namespace installation {

namespace {

class ArchiveTest : public ::testing::Test {
protected:
    ArchiveHandle Open(const std::vector<Entry>& entries, zip_builder::Options options = {}) {
        std::string path = dir_.Join("test.zip");
        EXPECT_TRUE(WriteFile(path, zip_builder::Build(entries, options)));
        archive_ = OpenArchive(path.c_str(), nullptr);
        return archive_;
    }
    void TearDown() override { CloseArchive(archive_); }

    ScopedTempDir dir_;
    ArchiveHandle archive_ = nullptr;
};

TEST_F(ArchiveTest, OpenFailsForMissingEmptyPathAndNonArchives) {
    EXPECT_EQ(OpenArchive(dir_.Join("missing.zip").c_str(), nullptr), nullptr);
    EXPECT_EQ(OpenArchive("", nullptr), nullptr);
    EXPECT_EQ(OpenArchive(nullptr, nullptr), nullptr);
    std::string text = dir_.Join("text.zip");
    ASSERT_TRUE(WriteFile(text, "this is no archive at all"));
    EXPECT_EQ(OpenArchive(text.c_str(), nullptr), nullptr);
    ASSERT_TRUE(WriteFile(text, ""));
    EXPECT_EQ(OpenArchive(text.c_str(), nullptr), nullptr);
    EXPECT_EQ(OpenArchive(dir_.path().c_str(), nullptr), nullptr);
}

TEST_F(ArchiveTest, NullHandleFailsEverythingAndCountsZero) {
    ArchiveItem item;
    item.index = 7;
    item.uncompressedSize = 9;
    EXPECT_EQ(GetArchiveItem(nullptr, -1, &item), ARC_BAD_ARGUMENT);
    EXPECT_EQ(item.index, 0);
    EXPECT_EQ(item.uncompressedSize, 0u);
    EXPECT_EQ(SetExtractionRoot(nullptr, "x"), ARC_BAD_ARGUMENT);
    EXPECT_EQ(ExtractArchiveItem(nullptr, 0, "x"), ARC_BAD_ARGUMENT);
    EXPECT_EQ(CloseArchive(nullptr), ARC_BAD_ARGUMENT);
}

TEST_F(ArchiveTest, CountsAndRejectsIndexesOutOfRange) {
    ASSERT_NE(Open({{"a.txt", "A"}, {"b.txt", "B"}}), nullptr);
    ArchiveItem item;
    ASSERT_EQ(GetArchiveItem(archive_, -1, &item), ARC_OK);
    EXPECT_EQ(item.index, 2);
    EXPECT_STREQ(item.name, "");
    EXPECT_EQ(GetArchiveItem(archive_, -2, &item), ARC_BAD_ARGUMENT);
    EXPECT_EQ(GetArchiveItem(archive_, 2, &item), ARC_BAD_ARGUMENT);
    EXPECT_EQ(ExtractArchiveItem(archive_, 2, "x"), ARC_BAD_ARGUMENT);
    EXPECT_EQ(ExtractArchiveItem(archive_, -1, "x"), ARC_BAD_ARGUMENT);
}

TEST_F(ArchiveTest, DescribesItemsInAnyOrder) {
    Entry dirItem{"Bin/", ""};
    dirItem.externalAttributes = 0x10;
    Entry roItem{"E:\\app\\..\\bin\\x.dll", std::string(1000, 'x')};
    roItem.method = 8;
    roItem.externalAttributes = 0x21;
    ASSERT_NE(Open({dirItem, roItem, {"/tmp/x", "t"}}), nullptr);
    ArchiveItem item;
    for (int index : {2, 0, 1, 1, 2, 0}) {
        ASSERT_EQ(GetArchiveItem(archive_, index, &item), ARC_OK) << index;
        EXPECT_EQ(item.index, index);
    }
    ASSERT_EQ(GetArchiveItem(archive_, 1, &item), ARC_OK);
    EXPECT_STREQ(item.name, "bin\\x.dll");
    EXPECT_EQ(item.attributes, 0x21u);
    EXPECT_EQ(item.uncompressedSize, 1000u);
    EXPECT_LT(item.compressedSize, 100u);
    ASSERT_EQ(GetArchiveItem(archive_, 0, &item), ARC_OK);
    EXPECT_STREQ(item.name, "Bin/");
    EXPECT_EQ(item.attributes, 0x10u);
    ASSERT_EQ(GetArchiveItem(archive_, 2, &item), ARC_OK);
    EXPECT_STREQ(item.name, "tmp/x");
}

TEST_F(ArchiveTest, TimesComeFromDosStampAndTimestampBlock) {
    Entry plain{"plain.txt", "p"};
    Entry stamped{"stamped.txt", "s"};
    stamped.localExtra = zip_builder::TimestampBlock(1, {1000000000});
    Entry invalid{"invalid.txt", "i"};
    invalid.dosStamp = 0x58016000;  // month 0
    ASSERT_NE(Open({plain, stamped, invalid}), nullptr);
    plat::FileTime dos = DosStampToFileTime(plain.dosStamp);
    ArchiveItem item;
    ASSERT_EQ(GetArchiveItem(archive_, 0, &item), ARC_OK);
    EXPECT_EQ(item.writeTime, dos);
    EXPECT_EQ(item.accessTime, dos);
    EXPECT_EQ(item.creationTime, dos);
    ASSERT_EQ(GetArchiveItem(archive_, 1, &item), ARC_OK);
    EXPECT_EQ(item.writeTime, UnixSecondsToFileTime(1000000000));
    EXPECT_EQ(item.accessTime, dos);
    EXPECT_EQ(item.creationTime, dos);
    ASSERT_EQ(GetArchiveItem(archive_, 2, &item), ARC_OK);
    EXPECT_EQ(item.writeTime, 0u);
}

TEST_F(ArchiveTest, SecondRequestForTheSameIndexComesFromTheCache) {
    ASSERT_NE(Open({{"a.txt", "A"}, {"b.txt", "B"}}), nullptr);
    ArchiveItem first, count, second;
    ASSERT_EQ(GetArchiveItem(archive_, 1, &first), ARC_OK);
    // From now on every read of the archive file fails: only the cache can answer.
    archive_->stream->file.Close();
    archive_->stream->windowLength = 0;
    ASSERT_EQ(GetArchiveItem(archive_, -1, &count), ARC_OK);  // leaves the cache alone
    ASSERT_EQ(GetArchiveItem(archive_, 1, &second), ARC_OK);
    EXPECT_STREQ(second.name, "b.txt");
    EXPECT_EQ(second.writeTime, first.writeTime);
    EXPECT_NE(GetArchiveItem(archive_, 0, &second), ARC_OK);
}

struct BrokenItemCase {
    const char* label;
    Entry entry;
    std::uint32_t code;
};

std::vector<BrokenItemCase> BrokenItemCases() {
    Entry method{"m.bin", "data"};
    method.method = 12;
    Entry mismatch{"l.bin", "data"};
    mismatch.localMethod = 8;
    Entry longName{std::string(300, 'n'), "data"};
    return {{"bzip2 method", method, ARC_BAD_LOCAL_HEADER},
            {"local method differs", mismatch, ARC_BAD_LOCAL_HEADER},
            {"name of 300 bytes", longName, ARC_OPEN_FAILED}};
}

class BrokenItemTest : public ArchiveTest, public ::testing::WithParamInterface<BrokenItemCase> {};

TEST_P(BrokenItemTest, FailsTheItemButNotItsNeighbours) {
    ASSERT_NE(Open({{"before.txt", "b"}, GetParam().entry, {"after.txt", "a"}}), nullptr);
    ArchiveItem item;
    ASSERT_EQ(GetArchiveItem(archive_, 0, &item), ARC_OK);
    EXPECT_EQ(GetArchiveItem(archive_, 1, &item), GetParam().code);
    EXPECT_STREQ(item.name, "");
    EXPECT_EQ(ExtractArchiveItem(archive_, 1, "x.bin"), GetParam().code);
    ASSERT_EQ(GetArchiveItem(archive_, 2, &item), ARC_OK);
    EXPECT_STREQ(item.name, "after.txt");
}

INSTANTIATE_TEST_SUITE_P(Table, BrokenItemTest, ::testing::ValuesIn(BrokenItemCases()));

TEST_F(ArchiveTest, CountThatLiesUpwardsStopsAtTheLastRealRecord) {
    zip_builder::Options options;
    options.countAdjust = 3;
    // The reader refuses an end record whose count disagrees with the disk count
    // only for multi-disk archives; here both counts lie alike.
    ASSERT_NE(Open({{"a.txt", "A"}, {"b.txt", "B"}}, options), nullptr);
    ArchiveItem item;
    ASSERT_EQ(GetArchiveItem(archive_, -1, &item), ARC_OK);
    EXPECT_EQ(item.index, 5);
    EXPECT_EQ(GetArchiveItem(archive_, 1, &item), ARC_OK);
    EXPECT_EQ(GetArchiveItem(archive_, 4, &item), ARC_BAD_ARGUMENT);
    EXPECT_EQ(GetArchiveItem(archive_, 3, &item), ARC_BAD_ARGUMENT);
    EXPECT_EQ(GetArchiveItem(archive_, 0, &item), ARC_OK);
    EXPECT_STREQ(item.name, "a.txt");
}

TEST_F(ArchiveTest, ExtractionRootGetsASeparatorAndRefusesTooLongTexts) {
    ASSERT_NE(Open({{"a.txt", "A"}}), nullptr);
    std::string root = dir_.Join("out");
    EXPECT_EQ(SetExtractionRoot(archive_, root.c_str()), ARC_OK);
    EXPECT_EQ(ExtractArchiveItem(archive_, 0, "a.txt"), ARC_OK);
    EXPECT_TRUE(testing_support::FileExists(root + "/a.txt"));
    EXPECT_EQ(SetExtractionRoot(archive_, std::string(258, 'r').c_str()), ARC_OK);
    EXPECT_EQ(SetExtractionRoot(archive_, std::string(259, 'r').c_str()), ARC_OPEN_FAILED);
    EXPECT_EQ(ExtractArchiveItem(archive_, 0, "a.txt"), ARC_OPEN_FAILED);
}

TEST_F(ArchiveTest, RootDefaultsToTheCurrentDirectory) {
    ASSERT_NE(Open({{"here.txt", "H"}}), nullptr);
    CloseArchive(archive_);
    {
        testing_support::ScopedCurrentDir cwd(dir_.path());
        archive_ = OpenArchive("test.zip", nullptr);
        ASSERT_NE(archive_, nullptr);
        EXPECT_EQ(ExtractArchiveItem(archive_, 0, "here.txt"), ARC_OK);
    }
    EXPECT_TRUE(testing_support::FileExists(dir_.Join("here.txt")));
}

}  // namespace

}  // namespace installation
