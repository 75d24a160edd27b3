// The PE reader and the version-block parser on their own, over memory: the
// POSIX backend's parts, run on both platforms.
#include "platform/pe_version.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "platform/version_block.h"
#include "testing/memory_source.h"
#include "testing/temp_dir.h"

namespace {

using testing_support::MemorySource;
using plat::ReadPeFileVersion;

constexpr std::size_t kSize = 16;
constexpr char kUnwritten = 'x';

std::vector<std::uint8_t> Fixture(const char* name) {
    std::string bytes;
    testing_support::ReadFile((std::filesystem::current_path() / "fixtures" / name).string(),
                              &bytes);
    return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}

// Whatever the input, the buffer ends up untouched, or holding a text
// followed by zeros; nothing is written past it.
void ExpectSoundBuffer(const std::vector<char>& buffer, bool result) {
    const std::string used(buffer.begin(), buffer.begin() + kSize);
    const std::string guard(buffer.begin() + kSize, buffer.end());
    ASSERT_EQ(guard, std::string(guard.size(), kUnwritten));
    if (used == std::string(kSize, kUnwritten)) return;
    ASSERT_TRUE(result);
    const std::size_t end = used.find('\0');
    ASSERT_NE(end, std::string::npos);
    ASSERT_EQ(used.substr(end), std::string(kSize - end, '\0'));
}

bool ReadMemory(const std::vector<std::uint8_t>& bytes, std::vector<char>* buffer) {
    buffer->assign(kSize + 8, kUnwritten);
    MemorySource source(bytes.data(), bytes.size());
    return ReadPeFileVersion(source, buffer->data(), kSize);
}

// Every cut of the file, each in an allocation of its exact length.
TEST(PeVersion, EveryTruncationIsSafe) {
    const std::vector<std::uint8_t> good = Fixture("version_good.exe");
    ASSERT_FALSE(good.empty());
    std::vector<char> buffer;
    ASSERT_TRUE(ReadMemory(good, &buffer));
    std::size_t shortest = good.size();
    for (std::size_t n = good.size(); n-- > 0;) {
        const std::vector<std::uint8_t> cut(good.begin(), good.begin() + n);
        const bool result = ReadMemory(cut, &buffer);
        ExpectSoundBuffer(buffer, result);
        if (result) shortest = n;
    }
    // Results change once: with the resource section whole, and not before.
    for (std::size_t n = shortest; n < good.size(); n += 97) {
        const std::vector<std::uint8_t> cut(good.begin(), good.begin() + n);
        EXPECT_TRUE(ReadMemory(cut, &buffer)) << n;
        EXPECT_EQ(std::string(buffer.data()), "5.10.0020") << n;
    }
    EXPECT_LT(shortest, good.size());
}

// Each byte replaced by values that break sizes, offsets and flags.
TEST(PeVersion, EveryByteChangedIsSafe) {
    std::vector<std::uint8_t> bytes = Fixture("version_good.exe");
    ASSERT_FALSE(bytes.empty());
    std::vector<char> buffer;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const std::uint8_t original = bytes[i];
        for (std::uint8_t value : {0x00, 0xFF, 0x80, 0x7F}) {
            bytes[i] = value;
            ExpectSoundBuffer(buffer, ReadMemory(bytes, &buffer));
        }
        bytes[i] = original;
    }
}

// Bursts of random bytes in the second half of the file, where the
// resources and the version block lie.
TEST(PeVersion, RandomDamageIsSafe) {
    const std::vector<std::uint8_t> good = Fixture("version_mixed.exe");
    ASSERT_FALSE(good.empty());
    std::mt19937 random(20240607);
    std::vector<char> buffer;
    for (int round = 0; round < 20000; ++round) {
        std::vector<std::uint8_t> bytes = good;
        const int changes = 1 + static_cast<int>(random() % 8);
        for (int c = 0; c < changes; ++c) {
            bytes[bytes.size() / 2 + random() % (bytes.size() / 2)] =
                static_cast<std::uint8_t>(random());
        }
        ExpectSoundBuffer(buffer, ReadMemory(bytes, &buffer));
    }
}

class CountingSource final : public plat::ByteSource {
public:
    explicit CountingSource(const std::vector<std::uint8_t>& bytes)
        : inner_(bytes.data(), bytes.size()) {}
    std::uint64_t Size() const override { return inner_.Size(); }
    bool ReadAt(std::uint64_t offset, void* dst, std::size_t n) const override {
        read_ += n;
        return inner_.ReadAt(offset, dst, n);
    }
    std::size_t read() const { return read_; }

private:
    MemorySource inner_;
    mutable std::size_t read_ = 0;
};

TEST(PeVersion, ReadsHeadersTreeAndBlockOnly) {
    const std::vector<std::uint8_t> good = Fixture("version_good.exe");
    CountingSource source(good);
    char buffer[kSize] = {};
    ASSERT_TRUE(ReadPeFileVersion(source, buffer, sizeof buffer));
    EXPECT_LT(source.read(), 4096u);
    EXPECT_LT(source.read(), good.size() / 2);
}

}  // namespace
