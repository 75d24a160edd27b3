// Which proxy a request goes through, read from the environment as libcurl
// reads it. POSIX only: Windows asks the system's settings.
#include "platform/http_error.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <cstring>
#include <list>
#include <string>
#include <utility>
#include <vector>

#include "testing/scoped_env.h"

namespace {

constexpr const char* kVariables[] = {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY",
                                      "all_proxy",  "ALL_PROXY",  "no_proxy",    "NO_PROXY"};

using Variables = std::vector<std::pair<const char*, const char*>>;

struct ProxyCase {
    const char* name;
    Variables environment;  // the proxy variables not named are removed
    const char* url;
    const char* proxy;
};

class ProxyTest : public ::testing::TestWithParam<ProxyCase> {};

TEST_P(ProxyTest, FollowsTheVariablesInLibcurlsOrder) {
    std::list<testing_support::ScopedEnv> environment;
    for (const char* name : kVariables) {
        const char* value = nullptr;
        for (const auto& [set, to] : GetParam().environment)
            if (std::strcmp(set, name) == 0) value = to;
        environment.emplace_back(name, value);
    }
    EXPECT_EQ(plat::ProxyFor(GetParam().url), GetParam().proxy);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProxyTest,
    ::testing::Values(
        ProxyCase{"None", {}, "http://a.example/", ""},
        ProxyCase{"HttpLowerCaseOnly", {{"HTTP_PROXY", "up:1"}}, "http://a.example/", ""},
        ProxyCase{"HttpsBeforeUpperCase",
                  {{"https_proxy", "lo:1"}, {"HTTPS_PROXY", "up:1"}},
                  "HTTPS://a.example/",
                  "lo:1"},
        ProxyCase{"EmptyFallsThrough",
                  {{"https_proxy", ""}, {"HTTPS_PROXY", "up:1"}},
                  "https://a.example/",
                  "up:1"},
        ProxyCase{"AllProxyLast",
                  {{"ALL_PROXY", "all:1"}, {"https_proxy", ""}},
                  "https://a.example/",
                  "all:1"},
        ProxyCase{"HttpsVariableNotForHttp", {{"https_proxy", "s:1"}}, "http://a.example/", ""},
        ProxyCase{"DomainExempted",
                  {{"http_proxy", "p:1"}, {"no_proxy", " .Example ,other"}},
                  "http://user@a.EXAMPLE:80/x",
                  ""},
        ProxyCase{"SuffixIsNoDomain",
                  {{"http_proxy", "p:1"}, {"NO_PROXY", "example"}},
                  "http://anexample/",
                  "p:1"},
        ProxyCase{"Star", {{"all_proxy", "p:1"}, {"no_proxy", "*"}}, "http://a.example/", ""}),
    [](const ::testing::TestParamInfo<ProxyCase>& row) { return std::string(row.param.name); });

}  // namespace
#endif
