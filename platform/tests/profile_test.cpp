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

// Key K of section S.
ProfileCase InS(const char* name, const char* file, const char* expected, std::size_t size = 16) {
    return ProfileCase{name, file, "S", "K", size, expected};
}

const char kStation[] =
    "; station settings\r\n"
    "[GENERAL]\r\n"
    "FrontendVersion=1.00.0001\r\n"
    "[STATIONINFO]\r\n"
    "FrontendVersion=5.10.0020\r\n"
    "DBDirectory=C:\\Data\r\n";

const ProfileCase kCases[] = {
    // Which key of which section is read.
    {"Plain", kStation, "STATIONINFO", "FrontendVersion", 16, "5.10.0020"},
    {"SecondKey", kStation, "STATIONINFO", "DBDirectory", 260, "C:\\Data"},
    {"NamesIgnoreCase", "[stationinfo]\nfrontendversion=6.90.0100\n", "StationInfo",
     "FRONTENDVERSION", 16, "6.90.0100"},
    {"BlanksTrimmed", "[S]\n   Key   =   5.9.1   \t\n", "S", "Key", 16, "5.9.1"},
    {"RequestNamesTrimmed", "[S]\nKey=v\n", "  S ", " Key ", 16, "v"},
    {"MissingKey", kStation, "STATIONINFO", "Nothing", 16, ""},
    {"MissingSection", kStation, "OTHER", "FrontendVersion", 16, ""},
    {"MissingFile", nullptr, "STATIONINFO", "FrontendVersion", 16, ""},
    {"DefaultWhenMissing", kStation, "OTHER", "K", 16, "dflt", "dflt  "},
    {"FirstSectionOnly", "[S]\nA=1\n[T]\n[S]\nB=2\n", "S", "B", 16, ""},
    // How the text of key K in section S is read.
    InS("CutToSizeMinusOne", "[S]\nK=12345678901234567890\n", "123456789012345"),
    InS("DoubleQuotesRemoved", "[S]\nK=\"C:\\My Data\"\n", "C:\\My Data", 260),
    InS("SingleQuotesRemoved", "[S]\nK='a b'\n", "a b", 260),
    InS("UnmatchedQuotesKept", "[S]\nK=\"a b'\n", "\"a b'", 260),
    InS("CutQuotedValueKeepsItsText", "[S]\nK=\"abcdef\"\n", "abc", 4),
    InS("EqualsInValue", "[S]\nK=a=b\n", "a=b"),
    InS("EmptyValue", "[S]\nK=\nL=x\n", ""),
    InS("KeyWithoutEquals", "[S]\nK\nL=x\n", ""),
    InS("KeysBeforeAnySectionIgnored", "K=top\n[S]\nL=x\n", ""),
    InS("FirstKeyWins", "[S]\nK=one\nK=two\n", "one"),
    InS("CommentIsNoKey", "[S]\n;K=commented\n", ""),
    InS("NoFinalLineEnd", "[S]\r\nK=last", "last"),
    InS("Utf8ByteOrderMark", "\xEF\xBB\xBF[S]\nK=bom\n", "bom"),
    InS("IndentedHeader", "   [S]   \n  K=in\n", "in"),
};

INSTANTIATE_TEST_SUITE_P(Cases, ProfileTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<ProfileCase>& p) {
                             return p.param.name;
                         });

}  // namespace
