// The programs' version blocks as inventory tools read them: through the
// project's own PE reader on both builds and, for FileVersion, through
// ReadFileVersion (the system's version API on Windows).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/file_version.h"
#include "platform/pe_version.h"
#include "platform/version_block.h"
#include "release_version.h"
#include "testing/temp_dir.h"

namespace {

constexpr char kStrings[] = "\\StringFileInfo\\040904E4\\";
constexpr std::uint32_t kFixedSignature = 0xFEEF04BD;

const std::string kRelease = TALCHECK_RELEASE_VERSION;
const std::string kReleaseFixed = std::to_string(TALCHECK_RELEASE_MAJOR) + "." +
                                  std::to_string(TALCHECK_RELEASE_MINOR) + "." +
                                  std::to_string(TALCHECK_RELEASE_PATCH) + ".0";

std::string ProgramPath(const std::string& file) { return "programs/" + file; }

// The program's version block; empty when it has none.
std::string ReadBlock(const std::string& file) {
    std::string bytes;
    if (!testing_support::ReadFile(ProgramPath(file), &bytes)) return std::string();
    plat::MemorySource source(bytes.data(), bytes.size());
    plat::PeVersionBlock block;
    if (!plat::ReadPeVersionBlock(source, &block) || !block.bytes) return std::string();
    return std::string(reinterpret_cast<const char*>(block.bytes.get()), block.size);
}

bool FindValue(const std::string& block, const std::string& path, plat::VersionValue* value) {
    return plat::FindVersionValue(reinterpret_cast<const std::uint8_t*>(block.data()), block.size(),
                                  path.c_str(), value);
}

// The text of a string table entry; "(missing)" when there is none.
std::string StringEntry(const std::string& block, const std::string& key) {
    plat::VersionValue value;
    if (!FindValue(block, kStrings + key, &value)) return "(missing)";
    char text[128] = {};
    plat::CopyVersionValue(value, text, sizeof text);
    return text;
}

std::uint32_t U32(const std::uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t{p[3]} << 24);
}

// VS_FIXEDFILEINFO's file (at 8) or product (at 16) version as "a.b.c.d";
// empty when the root's value is no fixed file information.
std::string FixedVersion(const std::string& block, std::size_t at) {
    plat::VersionValue root;
    if (!FindValue(block, "", &root) || root.text || root.bytes < 52 ||
        U32(root.data) != kFixedSignature) {
        return std::string();
    }
    const std::uint32_t high = U32(root.data + at), low = U32(root.data + at + 4);
    char text[32];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", high >> 16, high & 0xFFFF, low >> 16,
                  low & 0xFFFF);
    return text;
}

struct VersionCase {
    const char* file;
    std::string fixed;         // file and product version of the fixed part
    std::string file_version;  // FileVersion of the string table
};

const VersionCase kVersionCases[] = {
    // Held at 0.0.0.0 whatever the release.
    {"TalCheck.exe", "0.0.0.0", "0.0.0.0"},
    {"talcheck-audit.exe", kReleaseFixed, kRelease},
    {"talcheck-task.exe", kReleaseFixed, kRelease},
};

class FixedAndFileVersion : public ::testing::TestWithParam<VersionCase> {};

TEST_P(FixedAndFileVersion, AreTheProgramsOwn) {
    const VersionCase& c = GetParam();
    const std::string block = ReadBlock(c.file);
    ASSERT_FALSE(block.empty()) << c.file << " has no version block";
    EXPECT_EQ(FixedVersion(block, 8), c.fixed);
    EXPECT_EQ(FixedVersion(block, 16), c.fixed);
    EXPECT_EQ(StringEntry(block, "FileVersion"), c.file_version);
    const std::string description = StringEntry(block, "FileDescription");
    EXPECT_TRUE(description != "" && description != "(missing)") << description;
    char text[64] = {};
    EXPECT_TRUE(ReadFileVersion(ProgramPath(c.file).c_str(), text, sizeof text));
    EXPECT_EQ(std::string(text), c.file_version);
    plat::VersionValue translation;
    ASSERT_TRUE(FindValue(block, "\\VarFileInfo\\Translation", &translation));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(translation.data), translation.bytes),
              std::string("\x09\x04\xE4\x04", 4));
}

INSTANTIATE_TEST_SUITE_P(Programs, FixedAndFileVersion, ::testing::ValuesIn(kVersionCases));

struct EntryCase {
    const char* file;
    const char* key;
    std::string text;
};

const EntryCase kEntryCases[] = {
    {"TalCheck.exe", "ProductVersion", kRelease},
    {"TalCheck.exe", "ProductName", "TalCheck"},
    {"TalCheck.exe", "CompanyName", "TalCheck"},
    {"TalCheck.exe", "OriginalFilename", "TalCheck.exe"},
    {"talcheck-audit.exe", "ProductVersion", kRelease},
    {"talcheck-audit.exe", "ProductName", "TalCheck"},
    {"talcheck-audit.exe", "CompanyName", "TalCheck"},
    {"talcheck-audit.exe", "OriginalFilename", "talcheck-audit.exe"},
    {"talcheck-audit.exe", "InternalName", "talcheck-audit"},
    {"talcheck-task.exe", "ProductVersion", kRelease},
    {"talcheck-task.exe", "ProductName", "TalCheck"},
    {"talcheck-task.exe", "CompanyName", "TalCheck"},
    {"talcheck-task.exe", "OriginalFilename", "talcheck-task.exe"},
    {"talcheck-task.exe", "InternalName", "talcheck-task"},
};

class StringTable : public ::testing::TestWithParam<EntryCase> {};

TEST_P(StringTable, NamesProgramAndRelease) {
    const EntryCase& c = GetParam();
    EXPECT_EQ(StringEntry(ReadBlock(c.file), c.key), c.text) << c.file;
}

INSTANTIATE_TEST_SUITE_P(Entries, StringTable, ::testing::ValuesIn(kEntryCases));

}  // namespace
