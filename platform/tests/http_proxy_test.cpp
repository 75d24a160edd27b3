#include "platform/http_error.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string>

namespace {

#ifndef _WIN32
// The proxy variables, set for one case and restored afterwards.
class ProxyEnvironment {
public:
    explicit ProxyEnvironment(const std::map<std::string, std::string>& values) {
        for (const char* name : kNames) {
            const char* old = std::getenv(name);
            if (old) saved_[name] = old;
            ::unsetenv(name);
        }
        for (const auto& [name, value] : values) ::setenv(name.c_str(), value.c_str(), 1);
    }
    ~ProxyEnvironment() {
        for (const char* name : kNames) ::unsetenv(name);
        for (const auto& [name, value] : saved_) ::setenv(name.c_str(), value.c_str(), 1);
    }

private:
    static constexpr const char* kNames[] = {"http_proxy", "https_proxy", "HTTPS_PROXY",
                                             "all_proxy",  "ALL_PROXY",   "no_proxy",
                                             "NO_PROXY",   "HTTP_PROXY"};
    std::map<std::string, std::string> saved_;
};

struct ProxyCase {
    const char* name;
    std::map<std::string, std::string> environment;
    const char* url;
    const char* proxy;
};

class ProxyForTest : public ::testing::TestWithParam<ProxyCase> {};

TEST_P(ProxyForTest, ReadsTheEnvironmentAsLibcurlDoes) {
    ProxyEnvironment environment(GetParam().environment);
    EXPECT_EQ(plat::ProxyFor(GetParam().url), GetParam().proxy);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProxyForTest,
    ::testing::Values(
        ProxyCase{"None", {}, "http://h/", ""},
        ProxyCase{"Http", {{"http_proxy", "p:1"}}, "http://h/", "p:1"},
        ProxyCase{"UpperCaseHttpIsIgnored", {{"HTTP_PROXY", "p:1"}}, "http://h/", ""},
        ProxyCase{"HttpsUpperCase", {{"HTTPS_PROXY", "p:2"}}, "https://h/", "p:2"},
        ProxyCase{"HttpProxyNotForHttps", {{"http_proxy", "p:1"}}, "https://h/", ""},
        ProxyCase{"AllProxy", {{"ALL_PROXY", "p:3"}}, "https://h/", "p:3"},
        ProxyCase{"NoProxyHost", {{"http_proxy", "p:1"}, {"no_proxy", "a, h"}}, "http://h:80/",
                  ""},
        ProxyCase{"NoProxyDomain", {{"http_proxy", "p:1"}, {"NO_PROXY", ".example"}},
                  "http://www.example/", ""},
        ProxyCase{"NoProxyOnlyWholeLabels", {{"http_proxy", "p:1"}, {"no_proxy", "ample"}},
                  "http://www.example/", "p:1"},
        ProxyCase{"NoProxyStar", {{"all_proxy", "p:3"}, {"no_proxy", "*"}}, "http://h/", ""}),
    [](const ::testing::TestParamInfo<ProxyCase>& p) { return p.param.name; });
#endif

}  // namespace
