#include <gtest/gtest.h>

#include <string>

#include "audit/identity.h"
#include "audit/report.h"
#include "audit/setup_checks.h"

namespace {

struct PrintableCase {
    std::string text;
    std::string printed;
};

class PrintableTest : public ::testing::TestWithParam<PrintableCase> {};

TEST_P(PrintableTest, EscapesControlCharactersOnly) {
    EXPECT_EQ(audit::Printable(GetParam().text), GetParam().printed);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PrintableTest,
    ::testing::Values(PrintableCase{"5.10.0023.zip", "5.10.0023.zip"},
                      PrintableCase{"\x1b[2J", "\\x1B[2J"},
                      PrintableCase{std::string("a\0b", 3), "a\\x00b"},
                      PrintableCase{"tab\there\r\n", "tab\\x09here\\x0D\\x0A"},
                      PrintableCase{"del\x7f", "del\\x7F"},
                      PrintableCase{"C:\\data \xc3\x84rger", "C:\\data \xc3\x84rger"}));

TEST(VersionText, IsThePackageNameForm) {
    EXPECT_EQ(audit::VersionText({5, 1, 20}), "5.10.0020");
    EXPECT_EQ(audit::VersionText({6, 9, 12345}), "6.90.12345");
}

TEST(Iso8601Local, CarriesItsOffset) {
    std::string text = audit::Iso8601Local(0);
    EXPECT_EQ(text.size(), 25u) << text;
    EXPECT_TRUE(text[19] == '+' || text[19] == '-') << text;
    EXPECT_EQ(text[22], ':') << text;
}

struct StationCase {
    const char* name;
    const char* versionSource;
    const char* dataDirectory;
    bool installExists, installWritable, installLink, dataWritable;
    std::vector<std::string> codes;
};

class StationSetupTest : public ::testing::TestWithParam<StationCase> {};

TEST_P(StationSetupTest, WarnsWithItsCodes) {
    const StationCase& c = GetParam();
    audit::StationFacts facts;
    facts.versionSource = c.versionSource;
    facts.dataDirectory = c.dataDirectory;
    facts.installExists = c.installExists;
    facts.installWritable = c.installWritable;
    facts.installLink = c.installLink;
    facts.dataDirectoryWritable = c.dataWritable;
    std::vector<std::string> codes;
    for (const audit::Warning& w : audit::CheckStationSetup(facts)) codes.push_back(w.code);
    EXPECT_EQ(codes, c.codes);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StationSetupTest,
    ::testing::Values(
        StationCase{"Fine", "frontend.exe", "D:\\d", true, true, false, true, {}},
        StationCase{"InstallMadeByTheRun", "frontend.exe", "D:\\d", false, false, false, true, {}},
        StationCase{"Default", "default", "", false, false, false, false,
                    {"default_version", "no_data_directory"}},
        StationCase{"CannotBeMade", "station.ini", "D:\\d", false, false, false, false,
                    {"install_not_creatable"}},
        StationCase{"ReadOnly", "station.ini", "D:\\d", true, false, false, true,
                    {"install_not_writable"}},
        StationCase{"Link", "station.ini", "D:\\d", true, false, true, true,
                    {"install_not_writable"}}),
    [](const ::testing::TestParamInfo<StationCase>& p) { return p.param.name; });

}  // namespace
