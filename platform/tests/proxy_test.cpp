// Which proxy a request goes through, read from the environment as libcurl
// reads it. POSIX only: Windows asks the system's settings.
#include "platform/http_error.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr const char* kVariables[] = {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY",
                                      "all_proxy",  "ALL_PROXY",  "no_proxy",    "NO_PROXY"};

// Sets the proxy variables for one case and puts the earlier values back.
class ScopedProxyEnvironment {
public:
    explicit ScopedProxyEnvironment(const std::vector<std::pair<const char*, const char*>>& set) {
        for (const char* name : kVariables) {
            const char* value = std::getenv(name);
            kept_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
            ::unsetenv(name);
        }
        for (const auto& [name, value] : set) ::setenv(name, value, 1);
    }
    ~ScopedProxyEnvironment() {
        for (const auto& [name, value] : kept_)
            value ? ::setenv(name, value->c_str(), 1) : ::unsetenv(name);
    }

private:
    std::vector<std::pair<const char*, std::optional<std::string>>> kept_;
};

struct ProxyCase {
    const char* name;
    std::vector<std::pair<const char*, const char*>> environment;
    const char* url;
    const char* proxy;
};

class ProxyTest : public ::testing::TestWithParam<ProxyCase> {};

TEST_P(ProxyTest, FollowsTheVariablesInLibcurlsOrder) {
    ScopedProxyEnvironment environment(GetParam().environment);
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
