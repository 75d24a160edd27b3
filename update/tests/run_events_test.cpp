#include "update/run_events.h"

#include <gtest/gtest.h>

#include <string>

#include "testing/scoped_switches.h"

namespace update {

namespace {

#ifndef _WIN32
std::string g_sent;  // "<ident>|<priority>|<text>" of the last syslog call

void Capture(const char* ident, int priority, const char* text) {
    g_sent = std::string(ident) + "|" + std::to_string(priority) + "|" + text;
}
#endif

struct EventCase {
    vocab::LogKind kind;
    unsigned id;       // 0: not reported
    const char* sent;  // POSIX: user facility (8) + priority
};

class ReportedEventTest : public ::testing::TestWithParam<EventCase> {};

TEST_P(ReportedEventTest, FailuresRecoveriesAndInstallsAreReportedAndOthersAreNot) {
    const RunEvent* event = FindRunEvent(GetParam().kind);
    EXPECT_EQ(event ? event->id : 0u, GetParam().id);
#ifndef _WIN32
    g_sent.clear();
    {
        testing_support::ScopedSwitch sink = testing_support::ScopedSyslogSink(&Capture);
        bool detail = GetParam().kind != vocab::LogKind::kInstalled;
        ReportLogEvent({GetParam().kind, "5.10.0023.zip", detail ? "(x)" : ""});
    }
    EXPECT_EQ(g_sent, GetParam().sent);
#endif
}

#ifndef _WIN32
// Wine keeps no event log a test could read; the Windows backend hands
// ReportEventA the same escaped text.
TEST(ReportedEvent, ControlCharactersReachSyslogEscaped) {
    plat::SetSyslogSinkForTesting(&Capture);
    ReportLogEvent({vocab::LogKind::kCopyFailed, "5.10.0023.zip", "(a\xc2\x9b[2J\x7f: x)"});
    plat::SetSyslogSinkForTesting(nullptr);
    EXPECT_EQ(g_sent, "TalCheck|11|COPY FAILED: 5.10.0023.zip (a\\xC2\\x9B[2J\\x7F: x)");
}
#endif

using K = vocab::LogKind;
INSTANTIATE_TEST_SUITE_P(
    Cases, ReportedEventTest,
    ::testing::Values(
        EventCase{K::kFolderFailed, 100, "TalCheck|11|FOLDER FAILED: 5.10.0023.zip (x)"},
        EventCase{K::kDownloadFailed, 101, "TalCheck|11|DOWLOAD FAILED: 5.10.0023.zip (x)"},
        EventCase{K::kSignatureRefused, 102, "TalCheck|11|SIGNATURE REFUSED: 5.10.0023.zip (x)"},
        EventCase{K::kCopyFailed, 103, "TalCheck|11|COPY FAILED: 5.10.0023.zip (x)"},
        EventCase{K::kCopyRefused, 104, "TalCheck|11|COPY REFUSED: 5.10.0023.zip (x)"},
        EventCase{K::kRecovered, 105, "TalCheck|12|RECOVERED: 5.10.0023.zip (x)"},
        EventCase{K::kRecoveryFailed, 106, "TalCheck|11|RECOVERY FAILED: 5.10.0023.zip (x)"},
        EventCase{K::kStationUnsafe, 107, "TalCheck|11|STATION UNSAFE: 5.10.0023.zip (x)"},
        EventCase{K::kInstalled, 1, "TalCheck|14|END COPY: 5.10.0023.zip"},
        EventCase{K::kStartDownload, 0, ""}, EventCase{K::kEndCopy, 0, ""},
        EventCase{K::kEnd, 0, ""}));

}  // namespace

}  // namespace update
