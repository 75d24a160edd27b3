#include "update/version.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>

namespace update {

namespace {

struct ParseCase {
    const char* text;
    bool result;
    int32_t major, minor, build;  // expected after parsing into (-1, -1, -1)
};

class ParseVersionTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseVersionTest, StoresReachedFieldsOnly) {
    const ParseCase& c = GetParam();
    int32_t major = -1, minor = -1, build = -1;
    EXPECT_EQ(ParseVersion(c.text, major, minor, build), c.result) << c.text;
    EXPECT_EQ(major, c.major) << c.text;
    EXPECT_EQ(minor, c.minor) << c.text;
    EXPECT_EQ(build, c.build) << c.text;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParseVersionTest,
    ::testing::Values(
        ParseCase{"5.10.0023.zip", true, 5, 1, 23}, ParseCase{"5.10.0023", true, 5, 1, 23},
        ParseCase{"5.10", false, 5, 1, -1}, ParseCase{"6", false, 6, -1, -1},
        ParseCase{"", false, -1, -1, -1}, ParseCase{"...", false, -1, -1, -1},
        ParseCase{"5..10...23", true, 5, 1, 23}, ParseCase{".5.10.23.", true, 5, 1, 23},
        ParseCase{"setup.zip", false, 0, 0, -1}, ParseCase{"notes.zip.txt", true, 0, 0, 0},
        ParseCase{"5.25.0001", true, 5, 2, 1}, ParseCase{"5.x.0001", true, 5, 0, 1},
        ParseCase{"5.9.1", true, 5, 9, 1}, ParseCase{"6.90.0100", true, 6, 9, 100},
        ParseCase{"5.10.23a", true, 5, 1, 23}, ParseCase{" 7.-10.-5", true, 7, 0, -5},
        ParseCase{"+7.10.+5", true, 7, 1, 5}, ParseCase{"99999999999.10.1", true, INT32_MAX, 1, 1},
        ParseCase{"-99999999999.10.1", true, INT32_MIN, 1, 1},
        ParseCase{"5.10.0023.extra.fields", true, 5, 1, 23}));

struct FormatCase {
    int32_t major, minor, build;
    const char* expected;
};

class FormatPackageNameTest : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FormatPackageNameTest, FormatsAndRoundTrips) {
    const FormatCase& c = GetParam();
    char buffer[260];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(FormatPackageName(buffer, c.major, c.minor, c.build, "zip"), buffer);
    EXPECT_STREQ(buffer, c.expected);
    EXPECT_TRUE(IsLocalPackageName(buffer));

    int32_t a = -1, b = -1, d = -1;
    EXPECT_TRUE(ParseVersion(buffer, a, b, d));
    EXPECT_EQ(a, c.major);
    EXPECT_EQ(b, c.minor);
    EXPECT_EQ(d, c.build);
}

INSTANTIATE_TEST_SUITE_P(Cases, FormatPackageNameTest,
                         ::testing::Values(FormatCase{5, 1, 23, "5.10.0023.zip"},
                                           FormatCase{6, 0, 7, "6.00.0007.zip"},
                                           FormatCase{5, 1, 12345, "5.10.12345.zip"},
                                           FormatCase{5, 9, 0, "5.90.0000.zip"},
                                           FormatCase{12, 3, 4, "12.30.0004.zip"}));

TEST(FormatPackageName, NeverWritesPastThePathBuffer) {
    char buffer[260 + 8];
    std::memset(buffer, 'x', sizeof buffer);
    std::string longExtension(400, 'e');
    FormatPackageName(buffer, 5, 1, 23, longExtension.c_str());
    EXPECT_EQ(std::strlen(buffer), 259u);
    for (size_t i = 260; i < sizeof buffer; ++i) EXPECT_EQ(buffer[i], 'x');
}

}  // namespace

}  // namespace update
