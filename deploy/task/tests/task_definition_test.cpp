#include "deploy/task/task_definition.h"

#include <gtest/gtest.h>

namespace {

struct FillCase {
    const char* name;
    const char* definition;
    const char* folder;
    bool filled;
    const char* want;
};

const FillCase kFillCases[] = {
    {"folder_gets_backslash", "<C>[INSTALLDIR]TalCheck.exe</C><W>[INSTALLDIR]</W>", "C:\\Station",
     true, "<C>C:\\Station\\TalCheck.exe</C><W>C:\\Station\\</W>"},
    {"backslash_kept_single", "<W>[INSTALLDIR]</W>", "C:\\Station\\", true, "<W>C:\\Station\\</W>"},
    {"xml_special_escaped", "<W>[INSTALLDIR]</W>", "D:\\R&D <x>", true,
     "<W>D:\\R&amp;D &lt;x&gt;\\</W>"},
    {"utf8_kept", "<W>[INSTALLDIR]</W>", "C:\\Stati\xc3\xb6n", true, "<W>C:\\Stati\xc3\xb6n\\</W>"},
    {"empty_folder", "<W>[INSTALLDIR]</W>", "", false, "unchanged"},
    {"control_character", "<W>[INSTALLDIR]</W>", "C:\\a\nb", false, "unchanged"},
    {"no_placeholder", "<W>C:\\</W>", "C:\\Station", false, "unchanged"},
};

class FillTaskDefinition : public ::testing::TestWithParam<FillCase> {};

TEST_P(FillTaskDefinition, ReplacesEveryPlaceholder) {
    const FillCase& c = GetParam();
    std::string out = "unchanged";
    EXPECT_EQ(deploy::FillTaskDefinition(c.definition, c.folder, &out), c.filled);
    EXPECT_EQ(out, c.want);
}

INSTANTIATE_TEST_SUITE_P(Cases, FillTaskDefinition, ::testing::ValuesIn(kFillCases),
                         [](const auto& p) { return std::string(p.param.name); });

}  // namespace
