#include "deploy/task/task_definition.h"

#include <gtest/gtest.h>

namespace {

struct FillCase {
    const char* name;
    const char* definition;
    const char* program;
    const char* station;
    bool filled;
    const char* want;
};

const char kBoth[] = "<C>[PROGRAMDIR]TalCheck.exe</C><W>[INSTALLDIR]</W>";

const FillCase kFillCases[] = {
    {"folders_get_backslash", kBoth, "C:\\Program Files\\TalCheck", "C:\\Station", true,
     "<C>C:\\Program Files\\TalCheck\\TalCheck.exe</C><W>C:\\Station\\</W>"},
    {"backslash_kept_single", kBoth, "C:\\P\\", "C:\\S\\", true,
     "<C>C:\\P\\TalCheck.exe</C><W>C:\\S\\</W>"},
    {"every_placeholder", "[INSTALLDIR][PROGRAMDIR][INSTALLDIR]", "P", "S", true, "S\\P\\S\\"},
    {"folder_text_not_a_placeholder", kBoth, "C:\\[INSTALLDIR]", "C:\\[PROGRAMDIR]", true,
     "<C>C:\\[INSTALLDIR]\\TalCheck.exe</C><W>C:\\[PROGRAMDIR]\\</W>"},
    {"xml_special_escaped", kBoth, "P", "D:\\R&D <x>", true,
     "<C>P\\TalCheck.exe</C><W>D:\\R&amp;D &lt;x&gt;\\</W>"},
    {"utf8_kept", "<W>[INSTALLDIR]</W>[PROGRAMDIR]", "P", "C:\\Stati\xc3\xb6n", true,
     "<W>C:\\Stati\xc3\xb6n\\</W>P\\"},
    {"empty_station", kBoth, "P", "", false, "unchanged"},
    {"empty_program", kBoth, "", "S", false, "unchanged"},
    {"control_character", kBoth, "P", "C:\\a\nb", false, "unchanged"},
    {"no_station_placeholder", "<C>[PROGRAMDIR]</C>", "P", "S", false, "unchanged"},
    {"no_program_placeholder", "<W>[INSTALLDIR]</W>", "P", "S", false, "unchanged"},
};

class FillTaskDefinition : public ::testing::TestWithParam<FillCase> {};

TEST_P(FillTaskDefinition, ReplacesEveryPlaceholder) {
    const FillCase& c = GetParam();
    std::string out = "unchanged";
    EXPECT_EQ(deploy::FillTaskDefinition(c.definition, c.program, c.station, &out), c.filled);
    EXPECT_EQ(out, c.want);
}

INSTANTIATE_TEST_SUITE_P(Cases, FillTaskDefinition, ::testing::ValuesIn(kFillCases),
                         [](const auto& p) { return std::string(p.param.name); });

}  // namespace
