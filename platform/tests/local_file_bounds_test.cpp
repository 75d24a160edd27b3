// station.ini and frontend.exe are read only when they are plain files of
// bounded size: a directory, a FIFO, a link to an endless device or a huge
// file reads as a missing file, at once.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <system_error>

#include "platform/file_version.h"
#include "platform/profile.h"
#include "platform/regular_file.h"
#include "testing/odd_files.h"
#include "testing/temp_dir.h"

namespace {

struct OddFile {
    const char* name;
    std::function<bool(const std::string&)> make;
};

bool MakeDirectory(const std::string& path) {
    std::error_code ec;
    return std::filesystem::create_directory(path, ec);
}

bool MakeHugeProfile(const std::string& path) {
    return testing_support::MakeSparseFile(path, plat::kMaxProfileBytes + 1);
}

bool MakeHugeExecutable(const std::string& path) {
    return testing_support::MakeSparseFile(path, plat::kMaxExecutableBytes + 1);
}

class OddLocalFile : public ::testing::TestWithParam<OddFile> {};

TEST_P(OddLocalFile, ReadsAsMissingWithoutWaiting) {
    testing_support::ScopedTempDir dir;
    std::string station = dir.Join("station.ini");
    std::string frontend = dir.Join("frontend.exe");
    if (!GetParam().make(station) || !GetParam().make(frontend))
        GTEST_SKIP() << "cannot make such a file here";
    auto start = std::chrono::steady_clock::now();

    char value[16] = {};
    EXPECT_EQ(plat::ReadProfileString("STATIONINFO", "FrontendVersion", "dflt ", value,
                                      sizeof value, station.c_str()),
              4u);
    EXPECT_STREQ(value, "dflt");
    char version[16] = {};
    EXPECT_FALSE(plat::ReadFileVersion(frontend.c_str(), version, sizeof version));
    EXPECT_STREQ(version, "");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, OddLocalFile,
    ::testing::Values(OddFile{"Directory", MakeDirectory},
                      OddFile{"Fifo", testing_support::MakeFifo},
                      OddFile{"LinkToDevZero", testing_support::MakeEndlessDeviceLink},
                      OddFile{"Huge",
                              [](const std::string& p) {
                                  return p.find(".ini") != std::string::npos
                                             ? MakeHugeProfile(p)
                                             : MakeHugeExecutable(p);
                              }}),
    [](const ::testing::TestParamInfo<OddFile>& p) { return std::string(p.param.name); });

// The largest station.ini still read is read whole.
TEST(LocalFileBounds, AProfileAtTheLimitIsRead) {
    testing_support::ScopedTempDir dir;
    std::string station = dir.Join("station.ini");
    std::string text = "[STATIONINFO]\r\nFrontendVersion=5.20.0001\r\n";
    text.append(plat::kMaxProfileBytes - text.size(), ';');
    ASSERT_TRUE(testing_support::WriteFile(station, text));
    char value[16] = {};
    plat::ReadProfileString("STATIONINFO", "FrontendVersion", "", value, sizeof value,
                            station.c_str());
    EXPECT_STREQ(value, "5.20.0001");
    ASSERT_TRUE(testing_support::WriteFile(station, text + ";"));
    plat::ReadProfileString("STATIONINFO", "FrontendVersion", "", value, sizeof value,
                            station.c_str());
    EXPECT_STREQ(value, "");
}

}  // namespace
