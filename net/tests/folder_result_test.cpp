#include "net/folder_result.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

using net::FolderOutcome;
using net::RequestFailure;

struct JudgeCase {
    const char* name;
    bool reached;
    const char* status;
    bool ended;
    bool cut;
    plat::HttpError openError;
    const char* proxy;
    FolderOutcome outcome;
    const char* description;
};

class JudgeTest : public ::testing::TestWithParam<JudgeCase> {};

TEST_P(JudgeTest, ClassifiesAndDescribes) {
    const JudgeCase& c = GetParam();
    net::FolderPage page;
    page.reached = c.reached;
    page.statusText = c.status;
    page.ended = c.ended;
    page.cut = c.cut;
    page.bytes = 700;
    page.openError = c.openError;
    net::FolderResult r =
        net::JudgeFolderPage(page, "http://10.1.2.3/base//5_1%20Installers/", c.proxy);
    EXPECT_EQ(r.outcome, c.outcome);
    EXPECT_EQ(net::DescribeFolderFailure(r), c.description);
}

using E = plat::HttpError;
INSTANTIATE_TEST_SUITE_P(
    Cases, JudgeTest,
    ::testing::Values(
        JudgeCase{"Read", true, "200", true, false, E::kNone, "", FolderOutcome::kRead, ""},
        JudgeCase{"Redirected", true, "302", true, false, E::kNone, "", FolderOutcome::kRead, ""},
        JudgeCase{"NotFound", true, "404", true, false, E::kNone, "", FolderOutcome::kNotFound, ""},
        JudgeCase{"ServerError", true, "500", true, false, E::kNone, "", FolderOutcome::kFailed,
                  "status 500"},
        JudgeCase{"BadRequest", true, "400", true, false, E::kNone, "", FolderOutcome::kFailed,
                  "status 400"},
        JudgeCase{"BrokeOff", true, "200", false, false, E::kNone, "", FolderOutcome::kFailed,
                  "page cut after 700 bytes"},
        JudgeCase{"PastTheLimit", true, "200", true, true, E::kNone, "", FolderOutcome::kFailed,
                  "page cut after 700 bytes"},
        JudgeCase{"Refused", false, "", true, false, E::kRefused, "", FolderOutcome::kFailed,
                  "connection refused: 10.1.2.3:80"},
        JudgeCase{"UnknownHost", false, "", true, false, E::kUnknownHost, "", FolderOutcome::kFailed,
                  "unknown host: 10.1.2.3:80"},
        JudgeCase{"TimedOut", false, "", true, false, E::kTimedOut, "", FolderOutcome::kFailed,
                  "no answer in time: 10.1.2.3:80"},
        JudgeCase{"Certificate", false, "", true, false, E::kCertificate, "", FolderOutcome::kFailed,
                  "certificate not trusted: 10.1.2.3:80"},
        JudgeCase{"Proxy", false, "", true, false, E::kProxy, "p:3128", FolderOutcome::kFailed,
                  "proxy p:3128 cannot be reached"},
        JudgeCase{"TimedOutThroughAProxy", false, "", true, false, E::kTimedOut, "p:3128",
                  FolderOutcome::kFailed, "no answer in time: 10.1.2.3:80 through proxy p:3128"},
        JudgeCase{"NoClass", false, "", true, false, E::kNone, "", FolderOutcome::kFailed,
                  "no answer: 10.1.2.3:80"}),
    [](const ::testing::TestParamInfo<JudgeCase>& p) { return p.param.name; });

struct ServerCase {
    const char* url;
    const char* server;
};

class ServerOfTest : public ::testing::TestWithParam<ServerCase> {};

TEST_P(ServerOfTest, FillsInThePortOfTheScheme) {
    EXPECT_EQ(net::ServerOf(GetParam().url), GetParam().server);
}

INSTANTIATE_TEST_SUITE_P(Cases, ServerOfTest,
                         ::testing::Values(ServerCase{"http://h/x", "h:80"},
                                           ServerCase{"https://h/x", "h:443"},
                                           ServerCase{"http://u:p@h:8080/x", "h:8080"},
                                           ServerCase{"http://[::1]/", "[::1]:80"},
                                           ServerCase{"http://[::1]:81/", "[::1]:81"}));

}  // namespace
