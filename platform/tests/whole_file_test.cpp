#include "platform/whole_file.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <system_error>

#include "testing/odd_files.h"
#include "testing/temp_dir.h"

namespace {

using plat::WholeFileStatus;

constexpr std::uint64_t kReadBound = 16;

struct WholeCase {
    const char* name;
    std::function<bool(const std::string&)> make;  // false: cannot be made here
    WholeFileStatus status;
    std::string bytes;  // when kRead
};

std::function<bool(const std::string&)> Holding(std::string bytes) {
    return [bytes](const std::string& p) { return testing_support::WriteFile(p, bytes); };
}

class WholeFileRead : public ::testing::TestWithParam<WholeCase> {};

TEST_P(WholeFileRead, ReadsOnlyABoundedRegularFileAndNeverWaits) {
    const WholeCase& c = GetParam();
    testing_support::ScopedTempDir dir;
    std::string path = dir.Join("f");
    if (!c.make(path)) GTEST_SKIP() << "cannot make such a file here";
    auto start = std::chrono::steady_clock::now();
    plat::WholeFile whole = plat::ReadWholeFile(path.c_str(), kReadBound);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(whole.status, c.status);
    EXPECT_EQ(whole.bytes, c.status == WholeFileStatus::kRead ? c.bytes : "");
    EXPECT_EQ(whole.error != 0, c.status == WholeFileStatus::kUnreadable);
}

INSTANTIATE_TEST_SUITE_P(
    Files, WholeFileRead,
    ::testing::Values(
        WholeCase{"Empty", Holding(""), WholeFileStatus::kRead, ""},
        WholeCase{"AtTheBound", Holding("0123456789abcdef"), WholeFileStatus::kRead,
                  "0123456789abcdef"},
        WholeCase{"OneByteOver", Holding("0123456789abcdefg"), WholeFileStatus::kTooLarge, ""},
        WholeCase{
            "HugeAndSparse",
            [](const std::string& p) { return testing_support::MakeSparseFile(p, 1ull << 32); },
            WholeFileStatus::kTooLarge, ""},
        WholeCase{"Missing", [](const std::string&) { return true; }, WholeFileStatus::kUnreadable,
                  ""},
        WholeCase{"Directory",
                  [](const std::string& p) {
                      std::error_code ec;
                      return std::filesystem::create_directory(p, ec);
                  },
                  WholeFileStatus::kUnreadable, ""},
        WholeCase{"Fifo", testing_support::MakeFifo, WholeFileStatus::kUnreadable, ""},
        WholeCase{"LinkToDevZero", testing_support::MakeEndlessDeviceLink,
                  WholeFileStatus::kUnreadable, ""}),
    [](const ::testing::TestParamInfo<WholeCase>& p) { return std::string(p.param.name); });

// A held file is read from its first byte wherever its pointer stands.
TEST(WholeFileRead, ReadsAHeldFileFromItsStart) {
    testing_support::ScopedTempDir dir;
    std::string path = dir.Join("f");
    ASSERT_TRUE(testing_support::WriteFile(path, "held bytes"));
    plat::File file = plat::File::OpenForRead(path.c_str());
    ASSERT_TRUE(file.Seek(0, plat::SeekOrigin::kEnd, nullptr));
    EXPECT_EQ(plat::ReadWhole(file, kReadBound).bytes, "held bytes");
}

}  // namespace
