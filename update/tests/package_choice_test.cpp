#include "update/package_choice.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace update {

namespace {

TEST(ListingWalk, VisitsEveryTabTerminatedNameAndSkipsOverlongOnes) {
    std::string listing = "a.zip\t\tb.zip\t" + std::string(260, 'x') + "\t" +
                          std::string(259, 'y') + "\tunterminated";
    std::vector<std::string> seen;
    ForEachListingEntry(listing, [&](const char* name) { seen.push_back(name); });
    std::vector<std::string> expected{"a.zip", "", "b.zip", std::string(259, 'y')};
    EXPECT_EQ(seen, expected);
}

struct ChoiceCase {
    const char* name;
    const char* listing;
    vocab::VersionTriple installed;
    const char* current;           // expected current-line choice
    const char* newest = nullptr;  // expected newest-line choice; null: current's
};

class ChoiceTest : public ::testing::TestWithParam<ChoiceCase> {};

TEST_P(ChoiceTest, PicksTheLastQualifyingEntry) {
    const ChoiceCase& c = GetParam();
    EXPECT_EQ(ChosenName(WalkCurrentLine(c.listing, c.installed)), c.current);
    EXPECT_EQ(ChosenName(WalkNewestLine(c.listing)), c.newest ? c.newest : c.current);
}

const vocab::VersionTriple kInstalled{5, 1, 20};

const ChoiceCase kChoices[] = {
    {"WorkedExample", "5.10.0019.zip\t5.10.0021.zip\t5.10.0023.zip\t", kInstalled, "5.10.0023.zip"},
    {"LaterLowerBuildStillReplaces", "5.10.0025.zip\t5.10.0022.zip\t", kInstalled, "5.10.0022.zip"},
    {"BuildMustExceedInstalled", "5.20.0001.zip\t", kInstalled, "", "5.20.0001.zip"},
    {"EqualBuildNeverChosen", "5.10.0020.zip\t", kInstalled, "", "5.10.0020.zip"},
    {"TwoFieldsNeverChosen", "setup.zip\t", {0, 0, -1}, ""},
    {"NeedsDotZip", "README.txt\t5.10.0030.exe\t", kInstalled, ""},
    {"UpperCaseAndSuffixPass", "5.10.0030.ZIP\t5.10.0031.zip.old\t", kInstalled,
     "5.10.0031.zip.old"},
    {"LowerMinorAfterAcceptedIsSkipped", "5.20.0030.zip\t5.10.0040.zip\t", kInstalled,
     "5.20.0030.zip"},
    // Major and minor thresholds are compared one by one: 6.00 is below the
    // installed minor 1, so only the newest-line walk takes it.
    {"ThresholdsComparedFieldByField", "6.00.0030.zip\t5.90.0040.zip\t", kInstalled,
     "5.90.0040.zip", "6.00.0030.zip"},
    {"NegativeBuildNotNewest", "5.20.-1.zip\t", {5, 1, -5}, "5.20.-1.zip", ""},
    {"EmptyNamesAndParentLinks", "\t../\t\t5.10.0021.zip\t", kInstalled, "5.10.0021.zip"},
    {"EmptyListing", "", {5, 1, 0}, ""},
    {"BuildAtMaximum", "5.10.2147483647.zip\t", {5, 1, INT32_MAX}, "", "5.10.2147483647.zip"},
};

INSTANTIATE_TEST_SUITE_P(Cases, ChoiceTest, ::testing::ValuesIn(kChoices),
                         [](const ::testing::TestParamInfo<ChoiceCase>& p) {
                             return p.param.name;
                         });

}  // namespace

}  // namespace update
