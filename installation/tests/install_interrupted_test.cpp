// Installs cut short by a disk that fills midway; archives whose end record
// hides behind a comment of maximal length, and names flagged UTF-8.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "installation/tests/install_fixture.h"
#include "testing/small_volume.h"

namespace installation {

namespace {

using InterruptedTest = InstallFixture;

// A name flagged UTF-8 is created as the characters it names; the POSIX
// build writes its bytes as they are.
TEST_F(InterruptedTest, NameFlaggedUtf8ComesOutRight) {
    Entry flagged("bin/\xC3\x84rger.txt", "umlaut");
    flagged.flags = 0x800;
    PutPackage({flagged});
    Install();
    EXPECT_EQ(log_.size(), 2u);
    fs::path expected = fs::path(install_) / "bin" / fs::u8path("\xC3\x84rger.txt");
    EXPECT_TRUE(fs::is_regular_file(expected));
}

// An end record behind a comment of 65,535 bytes starts 65,557 bytes before
// the end of the file.
TEST_F(InterruptedTest, ArchiveWithTheLongestCommentInstalls) {
#ifdef TALCHECK_MINIZIP_SYSTEM
    GTEST_SKIP() << "Debian's libminizip-dev searches too short a tail: run tools/setup.sh";
#endif
    for (std::size_t comment : {0u, 65513u, 65514u, 65535u}) {
        std::string archive = zip_builder::Build({{"c.txt", "comment " + std::to_string(comment)}});
        archive[archive.size() - 2] = static_cast<char>(comment & 0xFF);
        archive[archive.size() - 1] = static_cast<char>(comment >> 8);
        archive += std::string(comment, 'c');
        ASSERT_TRUE(WriteFile(download_, archive));
        log_.clear();
        Install();
        EXPECT_EQ(log_.size(), 2u) << comment << ": " << log_[1];
        EXPECT_EQ(Contents("c.txt"), "comment " + std::to_string(comment));
    }
}

TEST_F(InterruptedTest, DiskFullMidwayLeavesInstallAsItWas) {
    testing_support::SmallVolume small(1024 * 1024);
    if (!small.ok()) GTEST_SKIP() << "no small volume here (needs root on POSIX)";
    const std::string& volume = small.path();
    fs::create_directories(volume + "/install/bin");
    ASSERT_TRUE(WriteFile(volume + "/install/bin/app.dll", "old app"));
    // 250 files of 4,097 bytes pass the free-space test without reserve and
    // rounding, but take two pages each: the volume fills midway.
    std::vector<Entry> entries;
    for (int i = 0; i < 250; ++i)
        entries.emplace_back("f" + std::to_string(i), std::string(4097, 'f'));
    entries.emplace_back("bin/app.dll", "new app");
    PutPackage(entries);
    install_snapshot::Tree before = install_snapshot::Take(volume);
    PackageLimits limits;
    limits.reserveBytes = 0;
    limits.slackPerItem = 0;

    InstallPackage(kPackage, download_.c_str(), volume.c_str(), Writer(), nullptr, limits);

    EXPECT_EQ(install_snapshot::Take(volume), before);
    ASSERT_EQ(log_.size(), 3u);
    EXPECT_EQ(log_[1].rfind(std::string("COPY FAILED: ") + kPackage + " (f", 0), 0u) << log_[1];
    EXPECT_TRUE(FileExists(download_));
}

}  // namespace

}  // namespace installation
