// Encrypted items in archives of fixed bytes: the check byte refuses a wrong
// or missing password, and a wrong password whose check byte happens to
// match still yields no success and no plaintext.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "installation/archive.h"
#include "installation/tests/install_fixture.h"
#include "installation/zip_check_byte.h"

namespace installation {

namespace {

const std::string kPlain = "TalCheck encrypted test item, long enough to tell apart.\r\n";

Entry Encrypted(std::uint16_t method, std::uint16_t flags) {
    Entry e("secret.txt", kPlain);
    e.method = method;
    e.flags = flags;
    e.password = "secret";
    return e;
}

// The first header, counting up from all zeros, whose check byte also
// matches the given wrong password: about 1 in 256 do.
Entry MatchingWrongPassword(const char* wrong) {
    Entry e = Encrypted(8, 0);
    for (unsigned n = 0;; ++n) {
        e.header = std::string(11, '\0');
        e.header[0] = static_cast<char>(n & 0xFF);
        e.header[1] = static_cast<char>(n >> 8);
        std::string archive = zip_builder::Build({e});
        const unsigned char* header = reinterpret_cast<const unsigned char*>(&archive[30 + 10]);
        std::uint32_t crc = static_cast<unsigned char>(archive[14 + 3]);
        if (DecryptedCheckByte(wrong, header) == crc) return e;
    }
}

struct FirstItem {
    std::uint32_t code = ARC_OK;  // ExtractArchiveItem's
    bool written = false;         // a file of the item's name was left
    std::string bytes;
};

// Extracts the archive's only item below a directory of its own.
FirstItem ExtractFirstItem(const std::string& archive, const char* password) {
    FirstItem first;
    ScopedTempDir dir;
    ArchiveHandle handle = OpenArchive(archive.c_str(), password);
    EXPECT_NE(handle, nullptr) << archive;
    if (handle == nullptr) return first;
    SetExtractionRoot(handle, dir.path().c_str());
    ArchiveItem item{};  // its name stays empty when the item cannot be read
    EXPECT_EQ(GetArchiveItem(handle, 0, &item), ARC_OK) << archive;
    first.code = ExtractArchiveItem(handle, 0, item.name);
    first.written = ReadFile(dir.Join(item.name), &first.bytes);
    CloseArchive(handle);
    return first;
}

struct FixedPasswordCase {
    const char* label;
    Entry entry;
    const char* password;
    std::uint32_t code;
};

class FixedEncryptedItemTest : public ::testing::TestWithParam<FixedPasswordCase> {};

TEST_P(FixedEncryptedItemTest, OnlyTheRightPasswordGivesThePlaintext) {
#ifdef TALCHECK_MINIZIP_SYSTEM
    GTEST_SKIP() << "Debian's libminizip-dev decrypts nothing: run tools/setup.sh";
#endif
    const FixedPasswordCase& c = GetParam();
    ScopedTempDir dir;
    std::string path = dir.Join("package.zip");
    ASSERT_TRUE(WriteFile(path, zip_builder::Build({c.entry})));
    FirstItem first = ExtractFirstItem(path, c.password);
    EXPECT_EQ(first.code, c.code) << c.label;
    EXPECT_TRUE(first.written) << c.label;
    EXPECT_EQ(first.bytes.find("TalCheck") != std::string::npos, c.code == ARC_OK) << c.label;
    if (c.code != ARC_DATA_ERROR) {  // what a data error leaves is not said
        EXPECT_EQ(first.bytes, c.code == ARC_OK ? kPlain : "") << c.label;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, FixedEncryptedItemTest,
    ::testing::Values(FixedPasswordCase{"stored, right", Encrypted(0, 0), "secret", ARC_OK},
                      FixedPasswordCase{"deflated, right", Encrypted(8, 0), "secret", ARC_OK},
                      FixedPasswordCase{"streamed, right", Encrypted(8, 8), "secret", ARC_OK},
                      FixedPasswordCase{"deflated, wrong", Encrypted(8, 0), "wrong", ARC_PASSWORD},
                      FixedPasswordCase{"deflated, none", Encrypted(8, 0), nullptr, ARC_PASSWORD},
                      FixedPasswordCase{"streamed, wrong case", Encrypted(8, 8), "Secret",
                                        ARC_PASSWORD},
                      FixedPasswordCase{"check byte passes, deflated",
                                        MatchingWrongPassword("wrong"), "wrong", ARC_DATA_ERROR},
                      FixedPasswordCase{"check byte passes, no password", MatchingWrongPassword(""),
                                        nullptr, ARC_DATA_ERROR}),
    [](const ::testing::TestParamInfo<FixedPasswordCase>& c) { return std::to_string(c.index); });

}  // namespace

}  // namespace installation
