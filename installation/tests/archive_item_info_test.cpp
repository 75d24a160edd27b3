// Attribute mapping by host, DOS stamps and extended-timestamp blocks.
#include <gtest/gtest.h>

#include <string>

#include "installation/archive_item_info.h"
#include "installation/tests/zip_builder.h"

namespace installation {

namespace {

struct AttributeCase {
    std::uint32_t external;
    unsigned host;
    std::uint32_t expected;
};

class MapItemAttributesTest : public ::testing::TestWithParam<AttributeCase> {};

TEST_P(MapItemAttributesTest, MapsByHost) {
    EXPECT_EQ(MapItemAttributes(GetParam().external, GetParam().host), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, MapItemAttributesTest,
    ::testing::Values(AttributeCase{0x21, 0, 0x21},          // DOS: archive, read-only
                      AttributeCase{0x16, 0, 0x16},          // DOS: dir, hidden, system
                      AttributeCase{0x20, 11, 0x20},         // NTFS
                      AttributeCase{0x01, 14, 0x01},         // VFAT, archive bit clear
                      AttributeCase{0x02, 7, 0x02},          // Mac host counted as DOS bits
                      AttributeCase{0x40000000, 3, 0x31},    // Unix: dir, no write bit
                      AttributeCase{0x41ED0010, 3, 0x30},    // Unix drwxr-xr-x
                      AttributeCase{0x81A40000, 3, 0x20},    // Unix -rw-r--r--
                      AttributeCase{0x81240000, 3, 0x21},    // Unix -r--r--r--
                      AttributeCase{0xA1FF0000, 3, 0x20},    // Unix symbolic link: a file
                      AttributeCase{0x00000021, 3, 0x21}));  // Unix host, no mode

TEST(DosStamp, ValidStampsConvertAndInvalidOnesGiveNoTime) {
    // 2024-05-01 12:00:00 and 12:00:02 differ by two seconds whatever the zone.
    plat::FileTime a = DosStampToFileTime(0x58A16000);
    plat::FileTime b = DosStampToFileTime(0x58A16001);
    ASSERT_NE(a, 0u);
    EXPECT_EQ(b - a, 20000000u);
    EXPECT_EQ(DosStampToFileTime(0x58016000), 0u);  // month 0
    EXPECT_EQ(DosStampToFileTime(0x58A06000), 0u);  // day 0
    EXPECT_EQ(DosStampToFileTime(0x58A1C000), 0u);  // hour 24
    EXPECT_EQ(DosStampToFileTime(0x58A1601E), 0u);  // second 60
    EXPECT_EQ(DosStampToFileTime(0), 0u);
}

struct BlockCase {
    const char* label;
    std::string extra;
    plat::FileTime write, access, creation;
};

constexpr plat::FileTime kDos = 1;  // stands for the DOS-derived value
const plat::FileTime kT1 = UnixSecondsToFileTime(1000000000);
const plat::FileTime kT2 = UnixSecondsToFileTime(1100000000);
const plat::FileTime kT3 = UnixSecondsToFileTime(-1);

std::vector<BlockCase> BlockCases() {
    using zip_builder::TimestampBlock;
    std::string other = std::string("ux\x03\x00\x01\x02\x03", 7);
    return {
        {"none", "", kDos, kDos, kDos},
        {"write only", TimestampBlock(1, {1000000000}), kT1, kDos, kDos},
        {"all three", TimestampBlock(7, {1000000000, 1100000000, -1}), kT1, kT2, kT3},
        {"access only", TimestampBlock(2, {1100000000}), kDos, kT2, kDos},
        {"after another block", other + TimestampBlock(1, {1000000000}), kT1, kDos, kDos},
        {"flags promise more than the block holds", TimestampBlock(7, {1000000000}, 5), kT1, kDos,
         kDos},
        {"block cut by the field's end", TimestampBlock(7, {1000000000, 1100000000}).substr(0, 11),
         kT1, kDos, kDos},
        {"flags byte only", TimestampBlock(1, {}, 1), kDos, kDos, kDos},
        {"block size zero", TimestampBlock(1, {1000000000}, 0), kDos, kDos, kDos},
        {"four bytes are too short", std::string("UT\x05\x00", 4), kDos, kDos, kDos},
        {"size running past the field", std::string("zz\xff\xff\x00UT", 7), kDos, kDos, kDos},
    };
}

class TimestampBlockTest : public ::testing::TestWithParam<BlockCase> {};

TEST_P(TimestampBlockTest, ReplacesOnlyTheTimesItHolds) {
    const BlockCase& c = GetParam();
    ArchiveItem item{};
    item.writeTime = item.accessTime = item.creationTime = kDos;
    ApplyTimestampBlock(reinterpret_cast<const unsigned char*>(c.extra.data()), c.extra.size(),
                        &item);
    EXPECT_EQ(item.writeTime, c.write) << c.label;
    EXPECT_EQ(item.accessTime, c.access) << c.label;
    EXPECT_EQ(item.creationTime, c.creation) << c.label;
}

INSTANTIATE_TEST_SUITE_P(Table, TimestampBlockTest, ::testing::ValuesIn(BlockCases()));

TEST(TimestampBlock, UnixSecondsBecomeFileTime) {
    EXPECT_EQ(UnixSecondsToFileTime(0), 116444736000000000ULL);
    EXPECT_EQ(UnixSecondsToFileTime(1), 116444736010000000ULL);
}

}  // namespace

}  // namespace installation
