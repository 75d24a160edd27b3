#include "update/run_events.h"

#include <gtest/gtest.h>

#include <string>

namespace {

#ifndef _WIN32
std::string g_sent;  // "<ident>|<priority>|<text>" of the last syslog call

void Capture(const char* ident, int priority, const char* text) {
    g_sent = std::string(ident) + "|" + std::to_string(priority) + "|" + text;
}
#endif

struct LineCase {
    const char* prefix;
    unsigned id;       // 0: not reported
    const char* sent;  // POSIX: user facility (8) + priority
};

class ReportedLineTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(ReportedLineTest, FailureLinesAreReportedAndOthersAreNot) {
    const RunEvent* event = FindRunEvent(GetParam().prefix);
    EXPECT_EQ(event ? event->id : 0u, GetParam().id);
#ifndef _WIN32
    g_sent.clear();
    plat::SetSyslogSinkForTesting(&Capture);
    ReportLogLine(GetParam().prefix, "5.10.0023.zip", "(x)");
    plat::SetSyslogSinkForTesting(nullptr);
    EXPECT_EQ(g_sent, GetParam().sent);
#endif
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReportedLineTest,
    ::testing::Values(LineCase{"FOLDER FAILED: ", 100, "TalCheck|11|FOLDER FAILED: 5.10.0023.zip (x)"},
                      LineCase{"DOWLOAD FAILED: ", 101, "TalCheck|11|DOWLOAD FAILED: 5.10.0023.zip (x)"},
                      LineCase{"SIGNATURE REFUSED: ", 102,
                               "TalCheck|11|SIGNATURE REFUSED: 5.10.0023.zip (x)"},
                      LineCase{"COPY FAILED: ", 103, "TalCheck|11|COPY FAILED: 5.10.0023.zip (x)"},
                      LineCase{"COPY REFUSED: ", 104, "TalCheck|11|COPY REFUSED: 5.10.0023.zip (x)"},
                      LineCase{"RECOVERED: ", 105, "TalCheck|12|RECOVERED: 5.10.0023.zip (x)"},
                      LineCase{"RECOVERY FAILED: ", 106,
                               "TalCheck|11|RECOVERY FAILED: 5.10.0023.zip (x)"},
                      LineCase{"START DOWLOAD: ", 0, ""},
                      LineCase{"END COPY: ", 0, ""}));

#ifndef _WIN32
TEST(RunEvents, AnInstalledPackageIsReportedAsInformation) {
    plat::SetSyslogSinkForTesting(&Capture);
    ReportInstalled("5.10.0023.zip");
    plat::SetSyslogSinkForTesting(nullptr);
    EXPECT_EQ(g_sent, "TalCheck|14|END COPY: 5.10.0023.zip");
}
#endif

}  // namespace
