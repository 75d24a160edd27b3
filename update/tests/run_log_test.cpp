#include "update/run_log.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <system_error>

#include "testing/temp_dir.h"

namespace update {

namespace {

using testing_support::ReadFile;
using testing_support::ScopedCurrentDir;
using testing_support::ScopedTempDir;

struct LineCase {
    const char* computer;
    plat::TimeOfDay time;
    vocab::LogEvent event;
    const char* expected;
};

class LogLineTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(LogLineTest, FormsStampAndPieces) {
    const LineCase& c = GetParam();
    EXPECT_EQ(FormatLogLine(c.computer, c.time, c.event), c.expected);
}

using K = vocab::LogKind;
INSTANTIATE_TEST_SUITE_P(
    Cases, LogLineTest,
    ::testing::Values(
        LineCase{"WS07", {9, 5, 1}, {K::kStart, "", ""}, "WS07 [09:05:01] START"},
        LineCase{"WS07",
                 {23, 59, 59},
                 {K::kStartDownload, "5.10.0123.zip", ""},
                 "WS07 [23:59:59] START DOWLOAD: 5.10.0123.zip"},
        LineCase{"WS07",
                 {12, 0, 0},
                 {K::kCopyFailed, "5.10.0123.zip", "(f: failed)"},
                 "WS07 [12:00:00] COPY FAILED: 5.10.0123.zip (f: failed)"},
        LineCase{"WS07", {12, 0, 0}, {K::kEnd, "", "detail"}, "WS07 [12:00:00] END detail"},
        LineCase{"", {7, 8, 9}, {K::kStart, "", ""}, " [07:08:09] START"},
        LineCase{"WS07",
                 {12, 0, 0},
                 {K::kCopyFailed, "a\x7f", "(\xc2\x9b[2J\x1b\xc3\xbc: x)"},
                 "WS07 [12:00:00] COPY FAILED: a\\x7F (\\xC2\\x9B[2J\\x1B\xc3\xbc: x)"}));

TEST(RunLog, TruncateStartsANewLogAndOtherLinesAppendWithCrLf) {
    ScopedTempDir dir;
    ScopedCurrentDir cd(dir.path());
    ASSERT_TRUE(testing_support::WriteFile(kRunLogName, "old run\r\n"));
    WriteLog("PC", {vocab::LogKind::kStart, "", ""});
    WriteLog("PC", {vocab::LogKind::kStartDownload, "5.10.0023.zip", ""});
    WriteLog("PC", {vocab::LogKind::kEnd, "", ""});
    std::string log;
    ASSERT_TRUE(ReadFile(dir.Join(kRunLogName), &log));
    // PC [hh:mm:ss] is 14 characters.
    ASSERT_EQ(log.size(),
              3 * 14 + std::string("START\r\nSTART DOWLOAD: 5.10.0023.zip\r\nEND\r\n").size())
        << log;
    EXPECT_EQ(log.substr(14, 7), "START\r\n");
    EXPECT_EQ(log.substr(21 + 14, 30), "START DOWLOAD: 5.10.0023.zip\r\n");
    EXPECT_EQ(log.substr(log.size() - 5), "END\r\n");
    EXPECT_EQ(log.find("old run"), std::string::npos);
    EXPECT_EQ(log.find("\n\n"), std::string::npos);
}

TEST(RunLog, UnopenableLogIsSilentlyLost) {
    ScopedTempDir dir;
    ScopedCurrentDir cd(dir.path());
    // A directory of the log's name cannot be opened as a file.
    std::error_code ec;
    ASSERT_TRUE(std::filesystem::create_directory(dir.Join(kRunLogName), ec));
    WriteLog("PC", {vocab::LogKind::kStart, "", ""});
    WriteLog("PC", {vocab::LogKind::kEnd, "", ""});
    EXPECT_TRUE(std::filesystem::is_directory(dir.Join(kRunLogName)));
}

// A name planted under the log's: a symbolic link, or a hard link to a
// file elsewhere. Neither the log's first line (which empties the log) nor a
// later one reaches the other file; the log is made anew as itself.
struct PlantedLogCase {
    const char* label;
    bool hardLink;
    vocab::LogKind kind;
};

class PlantedLogTest : public ::testing::TestWithParam<PlantedLogCase> {};

TEST_P(PlantedLogTest, IsNeverWrittenThrough) {
    ScopedTempDir dir;
    ScopedCurrentDir cd(dir.path());
    std::string outside = dir.Join("outside.txt");
    ASSERT_TRUE(testing_support::WriteFile(outside, "outside"));
    std::error_code ec;
    if (GetParam().hardLink)
        std::filesystem::create_hard_link(outside, dir.Join(kRunLogName), ec);
    else
        std::filesystem::create_symlink(outside, dir.Join(kRunLogName), ec);
    if (ec) GTEST_SKIP() << "no such links here";
    WriteLog("PC", {GetParam().kind, "", ""});
    std::string bytes;
    ASSERT_TRUE(ReadFile(outside, &bytes));
    EXPECT_EQ(bytes, "outside");
    EXPECT_FALSE(std::filesystem::is_symlink(dir.Join(kRunLogName)));
    ASSERT_TRUE(ReadFile(dir.Join(kRunLogName), &bytes));
    // The new log holds just this line: "PC [hh:mm:ss] " is 14 characters.
    ASSERT_GE(bytes.size(), 14u);
    EXPECT_EQ(bytes.substr(14), std::string(vocab::LogPrefix(GetParam().kind)) + "\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    Table, PlantedLogTest,
    ::testing::Values(PlantedLogCase{"symlink_end", false, vocab::LogKind::kEnd},
                      PlantedLogCase{"symlink_start", false, vocab::LogKind::kStart},
                      PlantedLogCase{"hardlink_end", true, vocab::LogKind::kEnd},
                      PlantedLogCase{"hardlink_start", true, vocab::LogKind::kStart}),
    [](const ::testing::TestParamInfo<PlantedLogCase>& p) { return p.param.label; });

}  // namespace

}  // namespace update
