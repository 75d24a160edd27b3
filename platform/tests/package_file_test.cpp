// A downloaded package held open: what may be opened as one, and whether its
// name still leads to it after the name was changed behind it.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "platform/file_handle.h"
#include "testing/odd_files.h"
#include "testing/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using testing_support::FileText;
using testing_support::ScopedTempDir;
using testing_support::WriteFile;

#ifdef _WIN32
constexpr bool kWindows = true;
#else
constexpr bool kWindows = false;
#endif

std::string ReadAll(const plat::File& held) {
    plat::File file = held.Duplicate();
    std::string bytes;
    char buffer[64];
    if (!file.Seek(0, plat::SeekOrigin::kBegin, nullptr)) return "(seek failed)";
    for (std::int64_t n; (n = file.Read(buffer, sizeof buffer)) > 0;)
        bytes.append(buffer, static_cast<std::size_t>(n));
    return bytes;
}

struct NameChange {
    const char* label;
    std::function<void(const ScopedTempDir& dir, const std::string& path)> change;
    bool stillNamedOnPosix;
};

class HeldPackageTest : public ::testing::TestWithParam<NameChange> {};

// Windows refuses every change of the name while the package is held;
// POSIX allows it, and the held file tells.
TEST_P(HeldPackageTest, NameLeadsToTheHeldFileOrTheChangeIsSeen) {
    ScopedTempDir dir;
    std::string path = dir.Join("5.10.0023.zip");
    plat::File held = plat::File::CreatePackage(path.c_str());
    ASSERT_TRUE(held.valid());
    ASSERT_TRUE(held.Write("signed bytes", 12));
    GetParam().change(dir, path);
    EXPECT_EQ(held.IsNamedBy(path.c_str()), kWindows || GetParam().stillNamedOnPosix);
    EXPECT_EQ(ReadAll(held), "signed bytes");
    std::uint64_t size = 0;
    EXPECT_TRUE(held.Size(&size));
    EXPECT_EQ(size, 12u);
}

void Replace(const ScopedTempDir& dir, const std::string& path) {
    std::string other = dir.Join("unsigned.zip");
    WriteFile(other, "unsigned bytes");
    std::error_code ec;
    fs::rename(other, path, ec);
}

INSTANTIATE_TEST_SUITE_P(
    Table, HeldPackageTest,
    ::testing::Values(NameChange{"untouched", [](const ScopedTempDir&, const std::string&) {},
                                 true},
                      NameChange{"renamed_away",
                                 [](const ScopedTempDir& dir, const std::string& path) {
                                     std::error_code ec;
                                     fs::rename(path, dir.Join("moved.zip"), ec);
                                 },
                                 false},
                      NameChange{"deleted",
                                 [](const ScopedTempDir&, const std::string& path) {
                                     std::error_code ec;
                                     fs::remove(path, ec);
                                 },
                                 false},
                      NameChange{"replaced_by_rename", Replace, false}),
    [](const ::testing::TestParamInfo<NameChange>& p) { return std::string(p.param.label); });

struct OpenCase {
    const char* label;
    std::function<bool(const std::string& path)> make;  // false: cannot be made here
    bool opens;
};

class OpenPackageTest : public ::testing::TestWithParam<OpenCase> {};

TEST_P(OpenPackageTest, OnlyARegularFileWithinTheLimitOpens) {
    ScopedTempDir dir;
    std::string path = dir.Join("part.zip");
    if (!GetParam().make(path)) GTEST_SKIP() << "not possible on this platform";
    plat::File file = plat::File::OpenPackage(path.c_str(), 16);
    EXPECT_EQ(file.valid(), GetParam().opens);
}

INSTANTIATE_TEST_SUITE_P(
    Table, OpenPackageTest,
    ::testing::Values(
        OpenCase{"at_the_limit",
                 [](const std::string& p) { return WriteFile(p, std::string(16, 'x')); }, true},
        OpenCase{"over_the_limit",
                 [](const std::string& p) { return WriteFile(p, std::string(17, 'x')); }, false},
        OpenCase{"missing", [](const std::string&) { return true; }, false},
        OpenCase{"directory", [](const std::string& p) { return fs::create_directory(p); }, false},
        OpenCase{"fifo", testing_support::MakeFifo, false},
        OpenCase{"link_to_a_file",
                 [](const std::string& p) {
                     std::error_code ec;
                     WriteFile(p + ".real", "0123");
                     fs::create_symlink(p + ".real", p, ec);
                     return !ec;
                 },
                 false}),
    [](const ::testing::TestParamInfo<OpenCase>& p) { return std::string(p.param.label); });

TEST(CreatePackage, ReplacesWhatIsThereAndAppendsAfterOpenPackage) {
    ScopedTempDir dir;
    std::string path = dir.Join("p.zip");
    ASSERT_TRUE(WriteFile(path, "old content"));
    {
        plat::File file = plat::File::CreatePackage(path.c_str());
        ASSERT_TRUE(file.valid());
        EXPECT_TRUE(file.Write("abc", 3));
    }
    plat::File part = plat::File::OpenPackage(path.c_str(), 100);
    ASSERT_TRUE(part.valid());
    ASSERT_TRUE(part.Seek(0, plat::SeekOrigin::kEnd, nullptr));
    EXPECT_TRUE(part.Write("def", 3));
    EXPECT_EQ(ReadAll(part), "abcdef");
    EXPECT_TRUE(part.Truncate(2));
    part.Close();
    EXPECT_EQ(FileText(path), "ab");
}

}  // namespace
