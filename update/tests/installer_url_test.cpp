#include "update/installer_url.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <string>

namespace update {

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
        UrlCase{"https://secure.example", "https://secure.example/Marl%20Quill/MarlQuill/"},
        UrlCase{"HTTPS://secure.example:8443/",
                "https://secure.example:8443/Marl%20Quill/MarlQuill/"},
        UrlCase{"http://plain.example//", "http://plain.example/Marl%20Quill/MarlQuill/"},
        UrlCase{"[::1]:8080", "http://[::1]:8080/Marl%20Quill/MarlQuill/"}));

TEST(LineFolderOf, NamesTheLineAndItsPath) {
    const struct {
        int32_t major, minor;
        const char* line;
        const char* path;
    } cases[] = {{5, 1, "5_1", "/5_1%20Installers/"},
                 {12, 0, "12_0", "/12_0%20Installers/"},
                 {INT32_MIN, 9, "-2147483648_9", "/-2147483648_9%20Installers/"}};
    for (const auto& c : cases) {
        const LineFolder folder = LineFolderOf(c.major, c.minor);
        EXPECT_STREQ(folder.line, c.line);
        EXPECT_STREQ(folder.path, c.path);
    }
}

struct LineFolderCase {
    const char* name;
    bool parses;
    int32_t major;
    int32_t minor;
};

TEST(LineFolderName, ParsesOnlyTheFolderForm) {
    const LineFolderCase cases[] = {
        {"5_1 Installers", true, 5, 1},
        {"123456789_9 Installers", true, 123456789, 9},
        {"007_0 Installers", true, 7, 0},
        {"1234567890_1 Installers", false, 0, 0},
        {"5_10 Installers", false, 0, 0},
        {"_1 Installers", false, 0, 0},
        {"-5_1 Installers", false, 0, 0},
        {"5_1%20Installers", false, 0, 0},
        {"5_1 installers", false, 0, 0},
        {"5_1 Installers ", false, 0, 0},
        {"5_1", false, 0, 0},
        {"", false, 0, 0},
    };
    for (const LineFolderCase& c : cases) {
        int32_t major = 0, minor = 0;
        EXPECT_EQ(ParseLineFolderName(c.name, &major, &minor), c.parses) << c.name;
        EXPECT_EQ(major, c.major) << c.name;
        EXPECT_EQ(minor, c.minor) << c.name;
    }
    EXPECT_EQ(LineFolderName(5, 1), "5_1 Installers");
}

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

}  // namespace update
