#include "update/installer_url.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

struct UrlCase {
    const char* setting;
    const char* expected;
};

class InstallerUrlTest : public ::testing::TestWithParam<UrlCase> {};

TEST_P(InstallerUrlTest, BuildsTheBaseUrl) {
    EXPECT_EQ(InstallerBaseUrl(GetParam().setting), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, InstallerUrlTest,
    ::testing::Values(
        UrlCase{"installers.example", "http://installers.example/Marl%20Quill/MarlQuill/"},
        UrlCase{"127.0.0.1:8080", "http://127.0.0.1:8080/Marl%20Quill/MarlQuill/"},
        UrlCase{"https://secure.example", "https://secure.example/Marl%20Quill/MarlQuill/"},
        UrlCase{"HTTPS://secure.example:8443/",
                "https://secure.example:8443/Marl%20Quill/MarlQuill/"},
        UrlCase{"http://plain.example//", "http://plain.example/Marl%20Quill/MarlQuill/"},
        UrlCase{"[::1]:8080", "http://[::1]:8080/Marl%20Quill/MarlQuill/"}));

void SetEnvironment(const char* value) {
#ifdef _WIN32
    _putenv_s("TALCHECK_INSTALLER_HOST", value);
#else
    setenv("TALCHECK_INSTALLER_HOST", value, 1);
#endif
}

TEST(InstallerHostSetting, EnvironmentOverridesOnlyWhenNotEmpty) {
    SetEnvironment("override.example:81");
    EXPECT_EQ(InstallerHostSetting(), "override.example:81");
    SetEnvironment("");  // empty: the compiled-in value stands
    EXPECT_EQ(InstallerHostSetting(), TALCHECK_INSTALLER_HOST_FOR_TESTS);
}

}  // namespace
