#include "platform/file_version.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "testing/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using testing_support::ReadFile;
using testing_support::ScopedTempDir;
using testing_support::WriteFile;

constexpr char kMarker = 'x';
constexpr std::size_t kGuardBytes = 8;

// Executables made by the build (platform/tests/fixtures/*.rc).
std::string Fixture(const std::string& name) {
    return (fs::current_path() / "fixtures" / name).string();
}

// A caller's buffer of `size` bytes, followed by guard bytes; all filled with
// a marker so that "untouched" and "filled, rest zeroed" can be told apart.
class CallerBuffer {
public:
    explicit CallerBuffer(std::size_t size) : size_(size), bytes_(size + kGuardBytes, kMarker) {}
    char* data() { return bytes_.data(); }
    std::size_t size() const { return size_; }
    bool GuardIntact() const {
        return std::string(bytes_.begin() + size_, bytes_.end()) ==
               std::string(kGuardBytes, kMarker);
    }
    bool Untouched() const {
        return std::string(bytes_.begin(), bytes_.begin() + size_) == std::string(size_, kMarker);
    }
    // The text followed by zeros up to the buffer's end.
    bool Holds(const std::string& text) const {
        std::string expected = text;
        expected.resize(size_, '\0');
        return std::string(bytes_.begin(), bytes_.begin() + size_) == expected;
    }

private:
    std::size_t size_;
    std::vector<char> bytes_;
};

// Files the tests make themselves; "fixtures/..." names are built ones.
class MadeInputs {
public:
    MadeInputs() {
        WriteFile(Path("text.exe"), "FileVersion 5.10.0020\r\n");
        WriteFile(Path("empty.exe"), "");
        fs::create_directory(Path("directory.exe"));
    }
    std::string Path(const std::string& name) const { return dir_.Join(name); }

private:
    ScopedTempDir dir_;
};

struct Case {
    const char* name;
    const char* input;  // fixture file, or "made/<file>"
    std::size_t size;   // the caller's buffer size
    bool result;
    const char* text;  // nullptr: buffer untouched
};

class ReadFileVersionTest : public ::testing::TestWithParam<Case> {
protected:
    static void SetUpTestSuite() { made_ = std::make_unique<MadeInputs>(); }
    static void TearDownTestSuite() { made_.reset(); }
    static std::string PathOf(const std::string& input) {
        const std::string prefix = "made/";
        if (input.compare(0, prefix.size(), prefix) == 0) return made_->Path(input.substr(5));
        return Fixture(input);
    }
    static std::unique_ptr<MadeInputs> made_;
};
std::unique_ptr<MadeInputs> ReadFileVersionTest::made_;

TEST_P(ReadFileVersionTest, ResultAndBuffer) {
    const Case& c = GetParam();
    CallerBuffer buffer(c.size);
    EXPECT_EQ(plat::ReadFileVersion(PathOf(c.input).c_str(), buffer.data(), buffer.size()),
              c.result);
    if (c.text == nullptr) {
        EXPECT_TRUE(buffer.Untouched());
    } else {
        EXPECT_TRUE(buffer.Holds(c.text)) << "expected \"" << c.text << "\"";
    }
    EXPECT_TRUE(buffer.GuardIntact());
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, ReadFileVersionTest,
    ::testing::Values(Case{"Version", "version_good.exe", 16, true, "5.10.0020"},
                      Case{"VersionExactFit", "version_good.exe", 10, true, "5.10.0020"},
                      Case{"VersionCutByOne", "version_good.exe", 9, true, "5.10.002"},
                      Case{"VersionOneByte", "version_good.exe", 1, true, ""},
                      Case{"VersionNoRoom", "version_good.exe", 0, true, nullptr},
                      Case{"LongVersionCut", "version_long.exe", 16, true, "5.10.0020.12345"},
                      Case{"LongVersionFits", "version_long.exe", 21, true, "5.10.0020.1234567890"},
                      Case{"OnlyOtherBlock", "version_other_block.exe", 16, true, nullptr},
                      Case{"NoVersionResource", "no_version.exe", 16, false, nullptr},
                      Case{"SecondBlockOtherCase", "version_mixed.exe", 16, true, "5.20.0031"},
                      Case{"CodePage1252", "version_cp1252.exe", 16, true,
                           "5.1\xe9\x80??"
                           "?!"},
                      Case{"EmptyValue", "version_empty.exe", 16, true, ""},
                      Case{"TextFile", "made/text.exe", 16, false, nullptr},
                      Case{"EmptyFile", "made/empty.exe", 16, false, nullptr},
                      Case{"Directory", "made/directory.exe", 16, false, nullptr},
                      Case{"MissingFile", "made/missing.exe", 16, false, nullptr}),
    [](const ::testing::TestParamInfo<Case>& p) { return std::string(p.param.name); });

// Little-endian fields, as in every PE file.
std::uint32_t Field(const std::string& bytes, std::size_t at, std::size_t width) {
    std::uint32_t v = 0;
    for (std::size_t i = width; i-- > 0;) v = v << 8 | static_cast<unsigned char>(bytes[at + i]);
    return v;
}

// End of the ".rsrc" section's raw data, found by section name.
std::size_t ResourceSectionEnd(const std::string& exe) {
    const std::size_t nt = Field(exe, 0x3C, 4);
    const std::size_t count = Field(exe, nt + 6, 2);
    const std::size_t optional = Field(exe, nt + 20, 2);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t s = nt + 24 + optional + 40 * i;
        if (exe.compare(s, 6, ".rsrc\0", 6) == 0)
            return Field(exe, s + 20, 4) + Field(exe, s + 16, 4);
    }
    return 0;
}

// A copy cut before the end of the resource section has no version
// information; a longer one reads like the whole file.
TEST(ReadFileVersionTruncated, CutBeforeResourceEndHasNoVersion) {
    std::string good;
    ASSERT_TRUE(ReadFile(Fixture("version_good.exe"), &good));
    const std::size_t end = ResourceSectionEnd(good);
    ASSERT_GT(end, 0u);
    ASSERT_LE(end, good.size());
    std::vector<std::size_t> lengths = {end - 1, end, end + 1, good.size() - 1};
    for (std::size_t n = 0; n < good.size(); n += 61) lengths.push_back(n);

    ScopedTempDir dir;
    const std::string path = dir.Join("cut.exe");
    for (std::size_t n : lengths) {
        ASSERT_TRUE(WriteFile(path, good.substr(0, n)));
        CallerBuffer buffer(16);
        const bool whole = n >= end;
        EXPECT_EQ(plat::ReadFileVersion(path.c_str(), buffer.data(), buffer.size()), whole) << n;
        EXPECT_TRUE(whole ? buffer.Holds("5.10.0020") : buffer.Untouched()) << n;
        EXPECT_TRUE(buffer.GuardIntact());
    }
}

}  // namespace
