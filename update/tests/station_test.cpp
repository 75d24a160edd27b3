#include "update/station.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "testing/temp_dir.h"

namespace update {

namespace {

struct StationCase {
    const char* name;
    const char* fileVersion;  // nullptr: frontend.exe has none
    const char* stationIni;   // nullptr: no station.ini
    vocab::VersionTriple installed;
    const char* dataDirectory;
};

class ReadStation : public ::testing::TestWithParam<StationCase> {};

TEST_P(ReadStation, TakesTheVersionAndDataDirectoryAsTheRunDoes) {
    const StationCase& c = GetParam();
    testing_support::ScopedTempDir dir;
    if (c.stationIni) {
        ASSERT_TRUE(testing_support::WriteFile(dir.Join("station.ini"), c.stationIni));
    }
    std::string asked;
    auto readFileVersion = [&](const char* path, char* buffer, std::size_t size) {
        asked = path;
        if (!c.fileVersion) return false;
        std::strncpy(buffer, c.fileVersion, size - 1);
        return true;
    };
    const StationInfo info =
        ReadStationInfo((dir.path() + plat::kPathSeparator).c_str(), readFileVersion);
    EXPECT_EQ(asked, dir.Join("frontend.exe"));
    EXPECT_EQ(info.hasFileVersion, c.fileVersion != nullptr);
    EXPECT_STREQ(info.fileVersion, c.fileVersion ? c.fileVersion : "");
    EXPECT_EQ(info.installed.major, c.installed.major);
    EXPECT_EQ(info.installed.minor, c.installed.minor);
    EXPECT_EQ(info.installed.build, c.installed.build);
    EXPECT_STREQ(info.dataDirectory, c.dataDirectory);
}

INSTANTIATE_TEST_SUITE_P(
    Stations, ReadStation,
    ::testing::Values(
        StationCase{"Nothing", nullptr, nullptr, {5, 1, 0}, ""},
        StationCase{"FileVersionOnly", "5.10.0020", nullptr, {5, 1, 20}, ""},
        StationCase{"StationIniWins",
                    "5.10.0020",
                    "[STATIONINFO]\r\nFrontendVersion=6.20.0003\r\nDBDirectory=D:\\Data\r\n",
                    {6, 2, 3},
                    "D:\\Data"},
        StationCase{"EmptyStationValueFallsBack",
                    "5.10.0020",
                    "[STATIONINFO]\nFrontendVersion=\nDBDirectory=\n",
                    {5, 1, 20},
                    ""},
        StationCase{
            "OtherSectionIgnored", nullptr, "[OTHER]\nFrontendVersion=7.00.0001\n", {5, 1, 0}, ""}),
    [](const ::testing::TestParamInfo<StationCase>& p) { return std::string(p.param.name); });

TEST(ReadStationLongPath, AFileWhosePathDoesNotFitIsMissing) {
    std::string directory(plat::kPathSize - 5, 'd');
    bool asked = false;
    const StationInfo info =
        ReadStationInfo(directory.c_str(), [&](const char*, char*, std::size_t) {
            asked = true;
            return true;
        });
    EXPECT_FALSE(asked);
    EXPECT_FALSE(info.hasFileVersion);
    EXPECT_EQ(info.installed.major, 5);
    EXPECT_EQ(info.installed.minor, 1);
    EXPECT_EQ(info.installed.build, 0);
}

}  // namespace

}  // namespace update
