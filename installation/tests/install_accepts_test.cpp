// What an install takes: packages that replace files and make directories,
// and the item names it lets through.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "installation/tests/install_fixture.h"

namespace installation {

namespace {

struct GoodCase {
    const char* label;
    std::vector<Entry> entries;            // GoodItems() follow
    std::vector<const char*> directories;  // expected below install
};

class InstallGoodTest : public InstallFixture, public ::testing::WithParamInterface<GoodCase> {};

TEST_P(InstallGoodTest, ReplacesFilesMakesDirectoriesAndDeletesTheDownload) {
    const GoodCase& c = GetParam();
    std::vector<Entry> entries = c.entries;
    for (const Entry& e : GoodItems()) entries.push_back(e);
    PutPackage(entries);
    Install();
    for (const char* d : c.directories) EXPECT_TRUE(fs::is_directory(install_ + "/" + d)) << d;
    EXPECT_EQ(log_, CopyLines({}));
    EXPECT_FALSE(FileExists(download_));
    EXPECT_EQ(Contents("bin/app.dll"), std::string(3000, 'n'));
    EXPECT_EQ(Contents("keep.txt"), "keep");
    EXPECT_FALSE(FileExists(install_ + "/.talcheck-staging"));
}

// Named like a directory, without the directory bit.
Entry DirectoryByName(const std::string& name, std::uint8_t host, std::uint32_t attributes,
                      std::uint16_t method) {
    Entry e(name, "");
    e.host = host;
    e.externalAttributes = attributes;
    e.method = method;
    return e;
}

INSTANTIATE_TEST_SUITE_P(
    Table, InstallGoodTest,
    ::testing::Values(GoodCase{"plain", {}, {"bin"}},
                      GoodCase{"jar-style",
                               {DirectoryByName("META-INF/", 0, 0, 0),
                                Deflated("META-INF/MANIFEST.MF", "Manifest-Version: 1.0\r\n")},
                               {"META-INF"}},
                      GoodCase{"file mode, deflated, backslash",
                               {DirectoryByName("lib\\", 3, 0x81A40000u, 8)},
                               {"lib"}}),
    [](const ::testing::TestParamInfo<GoodCase>& c) { return std::to_string(c.index); });

struct NameCase {
    const char* name;
    bool directory;
    bool refused;
};

class RefuseItemNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(RefuseItemNameTest, AppliesTheNameRules) {
    const NameCase& c = GetParam();
    EXPECT_EQ(RefuseItemName(c.name, c.directory, "D:\\Data\\install") != nullptr, c.refused)
        << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Table, RefuseItemNameTest,
    ::testing::Values(NameCase{"bin/app.dll", false, false}, NameCase{"./bin/x", false, false},
                      NameCase{"./", true, false}, NameCase{"", true, false},
                      NameCase{"", false, true}, NameCase{"bin/", false, true},
                      NameCase{"a/..", false, true}, NameCase{"a/.../b", false, true},
                      NameCase{"a/.. /b", false, true}, NameCase{"x.txt ", false, true},
                      NameCase{"a:b", false, true}, NameCase{"a*b", false, true},
                      NameCase{"tab\tname", false, true}, NameCase{"lpt1/x", true, true},
                      NameCase{"conout$", false, true}));

}  // namespace

}  // namespace installation
