// Which packages a run fetches, in what order, and what comes before the
// first request.
#include "update/update_run.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "update/tests/fake_world.h"

namespace update {

namespace {

TEST_F(UpdateRunTest, WorkedExampleInstallsBothLinesCurrentFirst) {
    world.fileVersion = "5.10.0020";
    Station("[STATIONINFO]\r\nDBDirectory=D:\\Data\r\n");
    world.listings[Folder("5_1")] = "5.10.0019.zip\t5.10.0021.zip\t5.10.0023.zip\t";
    world.listings[Folder("5_2")] = "5.20.0001.zip\t";
    Run();
    EXPECT_EQ(world.journal, Joined({{"log:START!"},
                                     Delivered("5_1", "5.10.0023.zip", "5.10.0023.zip"),
                                     {Installed("5.10.0023.zip", "D:\\Data")},
                                     Delivered("5_2", "5.20.0001.zip", "5.20.0001.zip"),
                                     {Installed("5.20.0001.zip", "D:\\Data"), "log:END"}}));
    std::vector<std::string> fetched{Folder("5_1"), Folder("5_2"), Folder("5_3")};
    EXPECT_EQ(world.fetched, fetched);
}

TEST_F(UpdateRunTest, LeftoverInstallIsRecoveredRightAfterStartBeforeAnyRequest) {
    world.recovering = true;
    Station("[STATIONINFO]\r\nDBDirectory=D:\\Data\r\n");
    Run();
    std::vector<std::string> expected{"log:START!", "recover:D:\\Data after 0 requests", "log:END"};
    EXPECT_EQ(world.journal, expected);
}

// A privileged run's refusal comes before recovery and any request, and ends the run.
TEST_F(UpdateRunTest, StationRefusalEndsTheRunBeforeRecoveryAndRequests) {
    world.recovering = true;
    Station("[STATIONINFO]\r\nDBDirectory=D:\\Data\r\n");
    UpdateServices services = world.Services();
    services.checkStation = [](const char*, const char* dataDir) {
        return vocab::Outcome::Refused("station.ini", std::string("Users may change ") + dataDir);
    };
    RunUpdate(services, kBase);
    std::vector<std::string> expected{
        "log:START!", "log:STATION UNSAFE: station.ini(Users may change D:\\Data)", "log:END"};
    EXPECT_EQ(world.journal, expected);
    EXPECT_TRUE(world.fetched.empty());
}

// Which version the run starts from, and the two folders it probes first.
struct StartCase {
    const char* name;
    const char* fileVersion;  // "" for no frontend.exe
    const char* station;      // "" for no station.ini
    const char* first;
    const char* second;
};

class UpdateRunStart : public UpdateRunTest, public ::testing::WithParamInterface<StartCase> {};

TEST_P(UpdateRunStart, ProbesTheInstalledLineAndTheNext) {
    world.fileVersion = GetParam().fileVersion;
    if (*GetParam().station) Station(GetParam().station);
    Run();
    ASSERT_GE(world.fetched.size(), 2u);
    EXPECT_EQ(world.fetched[0], Folder(GetParam().first));
    EXPECT_EQ(world.fetched[1], Folder(GetParam().second));
}

INSTANTIATE_TEST_SUITE_P(
    Versions, UpdateRunStart,
    ::testing::Values(StartCase{"StationOverridesFile", "5.10.0002",
                                "[STATIONINFO]\nFrontendVersion=6.90.0100\n", "6_9", "7_0"},
                      StartCase{"DefaultsTo510", "", "", "5_1", "5_2"}),
    [](const ::testing::TestParamInfo<StartCase>& p) { return std::string(p.param.name); });

TEST_F(UpdateRunTest, EmptyCurrentLineStillInstallsTheNewestLine) {
    world.fileVersion = "5.10.0020";
    world.listings[Folder("5_2")] = "5.20.0001.zip\t";
    world.listings[Folder("5_3")] = "5.30.0004.zip\t5.30.0002.zip\t";
    Run();
    EXPECT_EQ(world.journal, Joined({{"log:START!"},
                                     Delivered("5_3", "5.30.0002.zip", "5.30.0002.zip"),
                                     {Installed("5.30.0002.zip"), "log:END"}}));
}

}  // namespace

}  // namespace update
