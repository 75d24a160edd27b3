#include "update/run_events.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#ifndef _WIN32
#include <syslog.h>
#endif

namespace {

struct Sent {
    std::string ident;
    int priority;
    std::string text;
};
std::vector<Sent> g_sent;

void Capture(const char* ident, int priority, const char* text) {
    g_sent.push_back({ident, priority, text});
}

class RunEventsTest : public ::testing::Test {
protected:
    RunEventsTest() {
        g_sent.clear();
        plat::SetSyslogSinkForTesting(&Capture);
    }
    ~RunEventsTest() override { plat::SetSyslogSinkForTesting(nullptr); }
};

struct LineCase {
    const char* name;
    const char* prefix;
    const char* detail;
    unsigned id;  // 0: not reported
    int priority;
    const char* sent;
};

class ReportedLineTest : public RunEventsTest, public ::testing::WithParamInterface<LineCase> {};

TEST_P(ReportedLineTest, FailureLinesAreReportedAndOthersAreNot) {
    const LineCase& c = GetParam();
    const RunEvent* event = FindRunEvent(c.prefix);
    EXPECT_EQ(event ? event->id : 0u, c.id);
    ReportLogLine(c.prefix, "5.10.0023.zip", c.detail);
#ifndef _WIN32
    if (!c.id) {
        EXPECT_TRUE(g_sent.empty());
        return;
    }
    ASSERT_EQ(g_sent.size(), 1u);
    EXPECT_EQ(g_sent[0].ident, "TalCheck");
    EXPECT_EQ(g_sent[0].priority, LOG_USER | c.priority);
    EXPECT_EQ(g_sent[0].text, c.sent);
#endif
}

#ifdef _WIN32
constexpr int LOG_ERR = 3, LOG_WARNING = 4;
#endif

INSTANTIATE_TEST_SUITE_P(
    Cases, ReportedLineTest,
    ::testing::Values(
        LineCase{"Folder", "FOLDER FAILED: ", "(status 500)", 100, LOG_ERR,
                 "FOLDER FAILED: 5.10.0023.zip (status 500)"},
        LineCase{"Download", "DOWLOAD FAILED: ", "(status 404)", 101, LOG_ERR,
                 "DOWLOAD FAILED: 5.10.0023.zip (status 404)"},
        LineCase{"Signature", "SIGNATURE REFUSED: ", "(x)", 102, LOG_ERR,
                 "SIGNATURE REFUSED: 5.10.0023.zip (x)"},
        LineCase{"Copy", "COPY FAILED: ", "(x)", 103, LOG_ERR, "COPY FAILED: 5.10.0023.zip (x)"},
        LineCase{"CopyRefused", "COPY REFUSED: ", "", 104, LOG_ERR,
                 "COPY REFUSED: 5.10.0023.zip"},
        LineCase{"Recovered", "RECOVERED: ", "(kept)", 105, LOG_WARNING,
                 "RECOVERED: 5.10.0023.zip (kept)"},
        LineCase{"RecoveryFailed", "RECOVERY FAILED: ", "", 106, LOG_ERR,
                 "RECOVERY FAILED: 5.10.0023.zip"},
        LineCase{"Progress", "START DOWLOAD: ", "", 0, 0, ""},
        LineCase{"EndCopyIsNoProofOfAnInstall", "END COPY: ", "", 0, 0, ""}),
    [](const ::testing::TestParamInfo<LineCase>& p) { return p.param.name; });

TEST_F(RunEventsTest, AnInstalledPackageIsReportedAsInformation) {
    ReportInstalled("5.10.0023.zip");
#ifndef _WIN32
    ASSERT_EQ(g_sent.size(), 1u);
    EXPECT_EQ(g_sent[0].priority, LOG_USER | LOG_INFO);
    EXPECT_EQ(g_sent[0].text, "END COPY: 5.10.0023.zip");
#endif
}

}  // namespace
