#include "platform/profile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "testing/temp_dir.h"

namespace {

using testing_support::ScopedTempDir;

struct ProfileCase {
    const char* name;
    const char* file;  // nullptr: no file at all
    const char* section;
    const char* key;
    std::size_t size;
    const char* expected;
    const char* defaultValue = "";
};

class ProfileTest : public ::testing::TestWithParam<ProfileCase> {};

TEST_P(ProfileTest, ReadsAsTheSystemDoes) {
    const ProfileCase& c = GetParam();
    ScopedTempDir dir;
    std::string path = dir.Join("station.ini");
    if (c.file) {
        ASSERT_TRUE(testing_support::WriteFile(path, c.file));
    }
    char buffer[300];
    std::memset(buffer, 0, sizeof buffer);
    std::size_t n =
        plat::ReadProfileString(c.section, c.key, c.defaultValue, buffer, c.size, path.c_str());
    EXPECT_STREQ(buffer, c.expected);
    EXPECT_EQ(n, std::strlen(c.expected));
    for (std::size_t i = c.size; i < sizeof buffer; ++i) ASSERT_EQ(buffer[i], 0) << "overrun";
}

const char kStation[] =
    "; station settings\r\n"
    "[GENERAL]\r\n"
    "FrontendVersion=1.00.0001\r\n"
    "[STATIONINFO]\r\n"
    "FrontendVersion=5.10.0020\r\n"
    "DBDirectory=C:\\Data\r\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, ProfileTest,
    ::testing::Values(
        ProfileCase{"Plain", kStation, "STATIONINFO", "FrontendVersion", 16, "5.10.0020"},
        ProfileCase{"SecondKey", kStation, "STATIONINFO", "DBDirectory", 260, "C:\\Data"},
        ProfileCase{"NamesIgnoreCase", "[stationinfo]\nfrontendversion=6.90.0100\n", "StationInfo",
                    "FRONTENDVERSION", 16, "6.90.0100"},
        ProfileCase{"BlanksTrimmed", "[S]\n   Key   =   5.9.1   \t\n", "S", "Key", 16, "5.9.1"},
        ProfileCase{"RequestNamesTrimmed", "[S]\nKey=v\n", "  S ", " Key ", 16, "v"},
        ProfileCase{"CutToSizeMinusOne", "[S]\nK=12345678901234567890\n", "S", "K", 16,
                    "123456789012345"},
        ProfileCase{"DoubleQuotesRemoved", "[S]\nK=\"C:\\My Data\"\n", "S", "K", 260,
                    "C:\\My Data"},
        ProfileCase{"SingleQuotesRemoved", "[S]\nK='a b'\n", "S", "K", 260, "a b"},
        ProfileCase{"UnmatchedQuotesKept", "[S]\nK=\"a b'\n", "S", "K", 260, "\"a b'"},
        ProfileCase{"LoneQuoteKept", "[S]\nK=\"\n", "S", "K", 260, "\""},
        ProfileCase{"CutQuotedValueKeepsItsText", "[S]\nK=\"abcdef\"\n", "S", "K", 4, "abc"},
        ProfileCase{"EqualsInValue", "[S]\nK=a=b\n", "S", "K", 16, "a=b"},
        ProfileCase{"EmptyValue", "[S]\nK=\nL=x\n", "S", "K", 16, ""},
        ProfileCase{"KeyWithoutEquals", "[S]\nK\nL=x\n", "S", "K", 16, ""},
        ProfileCase{"MissingKey", kStation, "STATIONINFO", "Nothing", 16, ""},
        ProfileCase{"MissingSection", kStation, "OTHER", "FrontendVersion", 16, ""},
        ProfileCase{"MissingFile", nullptr, "STATIONINFO", "FrontendVersion", 16, ""},
        ProfileCase{"DefaultWhenMissing", kStation, "OTHER", "K", 16, "dflt", "dflt  "},
        ProfileCase{"KeysBeforeAnySectionIgnored", "K=top\n[S]\nL=x\n", "S", "K", 16, ""},
        ProfileCase{"FirstKeyWins", "[S]\nK=one\nK=two\n", "S", "K", 16, "one"},
        ProfileCase{"FirstSectionOnly", "[S]\nA=1\n[T]\n[S]\nB=2\n", "S", "B", 16, ""},
        ProfileCase{"CommentIsNoKey", "[S]\n;K=commented\n", "S", "K", 16, ""},
        ProfileCase{"LfLineEnds", "[S]\nK=lf\n", "S", "K", 16, "lf"},
        ProfileCase{"NoFinalLineEnd", "[S]\r\nK=last", "S", "K", 16, "last"},
        ProfileCase{"Utf8ByteOrderMark", "\xEF\xBB\xBF[S]\nK=bom\n", "S", "K", 16, "bom"},
        ProfileCase{"IndentedHeader", "   [S]   \n  K=in\n", "S", "K", 16, "in"}),
    [](const ::testing::TestParamInfo<ProfileCase>& p) { return p.param.name; });

}  // namespace
