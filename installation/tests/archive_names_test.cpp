// The name stripping rule and the path checks built on it.
#include <gtest/gtest.h>

#include "installation/archive_names.h"

namespace installation {

namespace {

struct StripCase {
    const char* stored;
    const char* expected;
};

class StripItemNameTest : public ::testing::TestWithParam<StripCase> {};

TEST_P(StripItemNameTest, LeavesOnlyARelativeNameBelowTheRoot) {
    EXPECT_STREQ(StripItemName(GetParam().stored), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, StripItemNameTest,
    ::testing::Values(
        StripCase{"a.txt", "a.txt"}, StripCase{"a/", "a/"}, StripCase{"E:\\x\\y.txt", "x\\y.txt"},
        StripCase{"/tmp/x", "tmp/x"}, StripCase{"a/b/../c", "c"},
        StripCase{"E:\\app\\..\\bin\\x.dll", "bin\\x.dll"}, StripCase{"../x", "x"},
        StripCase{"..\\x", "x"}, StripCase{"/../x", "x"}, StripCase{"a/../../x", "x"},
        StripCase{"a\\../b/..\\c", "c"}, StripCase{"C:x.txt", "x.txt"},
        StripCase{"\\\\server\\share\\x", "server\\share\\x"}, StripCase{"C:\\..\\..\\x", "x"},
        StripCase{"..", ".."}, StripCase{"a/..", "a/.."}, StripCase{"...\\x", "...\\x"},
        StripCase{"x:y:z", "z"}, StripCase{"ads.txt:stream", "ads.txt:stream"}, StripCase{"", ""}));

struct DeviceCase {
    const char* path;
    bool device;
};

class NamesDeviceTest : public ::testing::TestWithParam<DeviceCase> {};

TEST_P(NamesDeviceTest, FindsDosDeviceComponents) {
    EXPECT_EQ(NamesDevice(GetParam().path), GetParam().device) << GetParam().path;
}

INSTANTIATE_TEST_SUITE_P(
    Table, NamesDeviceTest,
    ::testing::Values(
        DeviceCase{"con", true}, DeviceCase{"NUL.txt", true}, DeviceCase{"a/aux/b.txt", true},
        DeviceCase{"x\\com1", true}, DeviceCase{"lpt9.log", true}, DeviceCase{"prn .txt", true},
        DeviceCase{"com0", true}, DeviceCase{"NUL:", true}, DeviceCase{"nul:.txt", true},
        DeviceCase{"COM1:", true}, DeviceCase{"a/con./b", true}, DeviceCase{"aux. . .txt", true},
        DeviceCase{"lpt3:stream:$DATA", true}, DeviceCase{"CONIN$", true},
        DeviceCase{"conout$.log", true}, DeviceCase{"com\xB9", true},
        DeviceCase{"LPT\xB2.txt", true}, DeviceCase{"com\xB3:", true}, DeviceCase{"com\xB4", false},
        DeviceCase{"conin", false}, DeviceCase{"console", false}, DeviceCase{"icon.ico", false},
        DeviceCase{"a/nul2/b", false}, DeviceCase{"com10", false}, DeviceCase{"x.con", false},
        DeviceCase{"", false}, DeviceCase{"bin/x.dll", false}));

TEST(ArchiveNames, AbsoluteNamesAndLeaves) {
    EXPECT_TRUE(IsAbsoluteName("\\x"));
    EXPECT_TRUE(IsAbsoluteName("/x"));
    EXPECT_TRUE(IsAbsoluteName("D:x"));
    EXPECT_FALSE(IsAbsoluteName("x/y"));
    EXPECT_FALSE(IsAbsoluteName(""));
    EXPECT_EQ(LeafOffset("a/b\\c.txt"), 4u);
    EXPECT_EQ(LeafOffset("c.txt"), 0u);
    EXPECT_EQ(LeafOffset("a/"), 2u);
}

}  // namespace

}  // namespace installation
