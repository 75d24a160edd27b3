// The programs' version blocks as inventory tools read them: through the
// project's own PE reader on both builds and, for FileVersion, through
// ReadFileVersion (the system's version API on Windows).
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/file_version.h"
#include "platform/pe_version.h"
#include "platform/version_block.h"
#include "release_version.h"
#include "testing/memory_source.h"
#include "testing/temp_dir.h"

namespace {

const std::string kRelease = TALCHECK_RELEASE_VERSION;
const std::string kReleaseFixed = std::to_string(TALCHECK_RELEASE_MAJOR) + "." +
                                  std::to_string(TALCHECK_RELEASE_MINOR) + "." +
                                  std::to_string(TALCHECK_RELEASE_PATCH) + ".0";

// The value at path as text; the root's binary value, VS_FIXEDFILEINFO, as
// its file (offset 8) or product (16) version. "(missing)" when not found.
std::string Value(const plat::PeVersionBlock& block, const std::string& path, int offset = 0) {
    plat::VersionValue value;
    if (!block.bytes ||
        !plat::FindVersionValue(block.bytes.get(), block.size, path.c_str(), &value)) {
        return "(missing)";
    }
    char text[128] = {};
    if (value.text) {
        plat::CopyVersionValue(value, text, sizeof text);
    } else if (value.bytes >= 52) {
        auto word = [&](int at) { return value.data[at] | (value.data[at + 1] << 8); };
        std::snprintf(text, sizeof text, "%d.%d.%d.%d", word(offset + 2), word(offset),
                      word(offset + 6), word(offset + 4));
    }
    return text;
}

struct ProgramCase {
    const char* file;
    std::string fixed;  // the fixed part's file and product version
    std::string file_version;
};

// TalCheck.exe's fixed version and FileVersion stay 0.0.0.0 whatever the release.
const ProgramCase kProgramCases[] = {
    {"TalCheck.exe", "0.0.0.0", "0.0.0.0"},
    {"talcheck-audit.exe", kReleaseFixed, kRelease},
    {"talcheck-task.exe", kReleaseFixed, kRelease},
};

class VersionBlock : public ::testing::TestWithParam<ProgramCase> {};

TEST_P(VersionBlock, NamesProgramAndRelease) {
    const ProgramCase& c = GetParam();
    const std::string path = std::string("programs/") + c.file,
                      strings = "\\StringFileInfo\\040904E4\\";
    std::string bytes;
    ASSERT_TRUE(testing_support::ReadFile(path, &bytes));
    testing_support::MemorySource source(bytes.data(), bytes.size());
    plat::PeVersionBlock block;
    ASSERT_TRUE(plat::ReadPeVersionBlock(source, &block));
    EXPECT_EQ(Value(block, "", 8), c.fixed);
    EXPECT_EQ(Value(block, "", 16), c.fixed);
    EXPECT_EQ(Value(block, strings + "FileVersion"), c.file_version);
    EXPECT_EQ(Value(block, strings + "ProductVersion"), kRelease);
    EXPECT_EQ(Value(block, strings + "OriginalFilename"), c.file);
    char text[64] = {};
    EXPECT_TRUE(plat::ReadFileVersion(path.c_str(), text, sizeof text));
    EXPECT_EQ(text, c.file_version);
}

INSTANTIATE_TEST_SUITE_P(Programs, VersionBlock, ::testing::ValuesIn(kProgramCases));

}  // namespace
