#include "net/folder_result.h"

#include <gtest/gtest.h>

namespace {

struct JudgeCase {
    int status;  // 0 when the request was not answered
    bool ended;
    plat::HttpError openError;
    const char* proxy;
    const char* description;  // "" when the page counts as read or missing
};

class JudgeTest : public ::testing::TestWithParam<JudgeCase> {};

TEST_P(JudgeTest, DescribesWhatTheRunLogs) {
    const JudgeCase& c = GetParam();
    net::FolderPage page;
    page.reached = c.status != 0;
    page.status = c.status;
    page.ended = c.ended;
    page.bytes = 700;
    page.openError = c.openError;
    net::FolderResult r = net::JudgeFolderPage(page, "https://h/b//5_1%20Installers/", c.proxy);
    EXPECT_EQ(net::DescribeFolderFailure(r), c.description);
}

using E = plat::HttpError;
INSTANTIATE_TEST_SUITE_P(
    Cases, JudgeTest,
    ::testing::Values(JudgeCase{200, true, E::kNone, "", ""},
                      JudgeCase{404, true, E::kNone, "", ""},
                      JudgeCase{503, true, E::kNone, "", "status 503"},
                      JudgeCase{200, false, E::kNone, "", "page cut after 700 bytes"},
                      JudgeCase{0, true, E::kCertificate, "", "certificate not trusted: h:443"},
                      JudgeCase{0, true, E::kProxy, "p:3128", "proxy p:3128 cannot be reached"},
                      JudgeCase{0, true, E::kTimedOut, "p:3128",
                                "no answer in time: h:443 through proxy p:3128"},
                      JudgeCase{0, true, E::kNone, "", "no answer: h:443"}));

}  // namespace
