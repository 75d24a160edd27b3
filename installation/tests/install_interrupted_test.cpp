// Installs cut short: a disk that fills midway, a process killed midway
// (the next start undoes what it left, or finishes it, and says so), and
// archives whose end record hides behind a comment of maximal length.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "installation/install_archive.h"
#include "installation/placement.h"
#include "installation/tests/install_fixture.h"
#include "installation/tests/journal_text.h"
#include "platform/file_system.h"
#include "testing/scoped_switches.h"
#include "testing/small_volume.h"

namespace installation {

namespace {

class InterruptedTest : public InstallFixture {
protected:
    // What a process killed while moving leaves: a new directory made,
    // bin/app.dll moved aside and the new one moved into place, no commit.
    void LeaveAnInterruptedInstall(bool committed) {
        std::string staging = install_ + "/.talcheck-staging";
        fs::create_directories(staging);
        // Placed with the size and CRC-32 of "new app".
        ASSERT_TRUE(WriteFile(staging + "/journal",
                              journal_text::Text({{'D', "", "newdir"},
                                                  {'B', "b0", "bin/app.dll"},
                                                  {'P', "0", "bin/app.dll", 7, 0xc3334c13}},
                                                 committed)));
        fs::create_directory(install_ + "/newdir");
        fs::rename(install_ + "/bin/app.dll", staging + "/b0");
        ASSERT_TRUE(WriteFile(install_ + "/bin/app.dll", "new app"));
        plat::SetAttributes((install_ + "/bin/app.dll").c_str(), plat::kAttrReadOnly);
    }
};

TEST_F(InterruptedTest, NextInstallUndoesWhatAKilledOneLeft) {
    install_snapshot::Tree before = install_snapshot::Take(install_);
    LeaveAnInterruptedInstall(false);
    ASSERT_EQ(Contents("bin/app.dll"), "new app");
    RecoverLeftoverInstall(data_.c_str(), Writer());
    EXPECT_EQ(install_snapshot::Take(install_), before);
    EXPECT_EQ(log_, (std::vector<std::string>{"RECOVERED: install (rolled back 2 files)"}));
    log_.clear();

    // Killed again, then a normal run: undone first, then installed whole.
    LeaveAnInterruptedInstall(false);
    PutPackage({{"bin/new.dll", "newer"}});
    EXPECT_TRUE(Install());
    EXPECT_EQ(log_, CopyLines({"RECOVERED: install (rolled back 2 files)"}));
    EXPECT_EQ(Contents("bin/app.dll"), "old app");
    EXPECT_EQ(Contents("bin/new.dll"), "newer");
    EXPECT_FALSE(FileExists(install_ + "/newdir"));
    EXPECT_FALSE(FileExists(install_ + "/.talcheck-staging"));
}

TEST_F(InterruptedTest, CommittedInstallIsKeptAndOnlyTheStagingFolderGoes) {
    LeaveAnInterruptedInstall(true);
    RecoverLeftoverInstall(data_.c_str(), Writer());
    EXPECT_EQ(Contents("bin/app.dll"), "new app");
    EXPECT_TRUE(fs::is_directory(install_ + "/newdir"));
    EXPECT_FALSE(FileExists(install_ + "/.talcheck-staging"));
    EXPECT_EQ(log_, (std::vector<std::string>{"RECOVERED: install (finished an install)"}));
}

// Killed before each step of the placing phase in turn (and once all are
// taken, before the commit): the next start, with no server, leaves the
// old tree whole, and the next install installs the new one whole.
TEST_F(InterruptedTest, KilledAtAnyStepTheNextStartLeavesTheTreeWhole) {
    fs::create_directories(install_ + "/5.10.0123.zip/old");
    ASSERT_TRUE(WriteFile(install_ + "/5.10.0123.zip/old/x", "cleared target"));
    install_snapshot::Tree before = install_snapshot::Take(install_);
    std::vector<Entry> entries = {{"bin/app.dll", "new app"},
                                  {"a/b/c.txt", "new c"},
                                  {"keep.txt", "new keep"},
                                  {"z.txt", "new z"}};
    PutPackage(entries);
    // 1 target aside, 2 directories, 2 files aside, 4 placements.
    for (std::size_t kill = 0; kill <= 9; ++kill) {
        std::size_t steps = 0;
        {
            testing_support::ScopedSwitch hook =
                testing_support::ScopedStepHook([&](std::size_t step) {
                    steps = step;
                    return step < kill;
                });
            Install();
        }
        ASSERT_EQ(steps, kill);
        log_.clear();
        RecoverLeftoverInstall(data_.c_str(), Writer());
        EXPECT_EQ(install_snapshot::Take(install_), before) << kill;
        ASSERT_EQ(log_.size(), 1u) << kill;
        EXPECT_EQ(log_[0].rfind("RECOVERED: install (rolled back", 0), 0u) << log_[0];
    }
    log_.clear();
    Install();
    EXPECT_EQ(log_.size(), 2u);
    EXPECT_EQ(Contents("a/b/c.txt"), "new c");
    EXPECT_FALSE(fs::exists(install_ + "/5.10.0123.zip"));
}

// A journal of many pieces (60 files aside, 60 placed): killed before any
// step, halfway and after all, every record is read and all is undone.
TEST_F(InterruptedTest, JournalOfManyPiecesIsRolledBackWhole) {
    std::vector<Entry> entries;
    for (int i = 0; i < 60; ++i)
        entries.push_back({std::string(150, 'n') + std::to_string(i), "new"});
    for (const Entry& e : entries) ASSERT_TRUE(WriteFile(install_ + "/" + e.name, "old"));
    install_snapshot::Tree before = install_snapshot::Take(install_);
    std::string download = dir_.Join(kPackage);
    ASSERT_TRUE(WriteFile(download, zip_builder::Build(entries)));
    for (std::size_t kill : {0, 60, 120}) {
        {
            testing_support::ScopedSwitch hook =
                testing_support::ScopedStepHook([kill](std::size_t step) { return step < kill; });
            InstallPackage(kPackage, download.c_str(), data_.c_str(), Writer(), nullptr);
        }
        RecoverLeftoverInstall(data_.c_str(), Writer());
        EXPECT_EQ(install_snapshot::Take(install_), before) << kill;
    }
    EXPECT_TRUE(InstallPackage(kPackage, download.c_str(), data_.c_str(), Writer(), nullptr));
    EXPECT_EQ(Contents(entries.back().name), "new");
}

// A package's own read-only file does not block the package that replaces
// it; a roll-back gives a replaced file its attributes back.
TEST_F(InterruptedTest, ReadOnlyFileIsReplacedAndRestoredWithItsAttributes) {
    Entry readOnly("bin/app.dll", "read-only app");
    readOnly.externalAttributes = plat::kAttrReadOnly;
    PutPackage({readOnly});
    Install();
    ASSERT_TRUE(plat::ReadAttributes((install_ + "/bin/app.dll").c_str()) & plat::kAttrReadOnly);
    install_snapshot::Tree before = install_snapshot::Take(install_);

    PutPackage({{"bin/app.dll", "next app"}});
    {
        testing_support::ScopedSwitch hook =
            testing_support::ScopedStepHook([](std::size_t step) { return step < 1; });
        Install();
    }
    RecoverLeftoverInstall(data_.c_str(), Writer());
    EXPECT_EQ(install_snapshot::Take(install_), before);

    log_.clear();
    Install();
    EXPECT_EQ(log_.size(), 2u) << log_[1];
    EXPECT_EQ(Contents("bin/app.dll"), "next app");
}

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

TEST_F(InterruptedTest, TamperedJournalCannotReachOutsideInstall) {
    ASSERT_TRUE(WriteFile(dir_.Join("outside.txt"), "outside"));
    {
        std::string staging = install_ + "/.talcheck-staging";
        fs::create_directories(staging);
        ASSERT_TRUE(WriteFile(staging + "/0", "evil"));
        ASSERT_TRUE(
            WriteFile(staging + "/journal", journal_text::Text({{'P', "0", "../../outside.txt"},
                                                                {'D', "", "/tmp"},
                                                                {'B', "../../../x", "keep.txt"}},
                                                               false)));
    }
    RecoverLeftoverInstall(data_.c_str(), Writer());
    EXPECT_EQ(FileText(dir_.Join("outside.txt")), "outside");
    EXPECT_EQ(Contents("keep.txt"), "keep");
    EXPECT_TRUE(FileExists(install_ + "/.talcheck-kept-1/0"));
    EXPECT_FALSE(FileExists(install_ + "/.talcheck-staging"));
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
