// A package is installed whole or not at all: every refused or failing
// package leaves install exactly as it was, keeps the download and names
// its reason in one log line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "installation/tests/install_fixture.h"
#include "platform/file_handle.h"

namespace installation {

namespace {

std::vector<Entry> With(Entry last) {
    std::vector<Entry> entries = GoodItems();
    entries.push_back(std::move(last));
    return entries;
}

struct FailCase {
    const char* label;
    std::vector<Entry> entries;
    bool (*prepare)(const std::string& install);  // may be null; false: not possible here
    std::string line;                             // the log line expected
};

class InstallWholeTest : public InstallFixture, public ::testing::WithParamInterface<FailCase> {};

TEST_P(InstallWholeTest, LeavesInstallAsItWasKeepsThePackageAndLogsWhy) {
    const FailCase& c = GetParam();
    if (c.prepare != nullptr && !c.prepare(install_)) GTEST_SKIP() << "no symbolic links here";
    std::string package = PutPackage(c.entries);
    install_snapshot::Tree before = install_snapshot::Take(dir_.path());

    Install();

    EXPECT_EQ(install_snapshot::Take(dir_.path()), before) << c.label;
    EXPECT_EQ(FileText(download_), package);
    EXPECT_EQ(log_, CopyLines({c.line})) << c.label;
}

Entry BadCrc() {
    Entry e = Deflated("z_last.txt", std::string(500, 'c'));
    e.badCrc = true;
    return e;
}

// The same deflate stream under two central records (names of one length).
std::vector<Entry> Overlapping() {
    std::vector<Entry> entries = GoodItems();
    entries.push_back(Deflated("bomb1.txt", std::string(100000, 'b')));
    entries.push_back(entries.back());
    entries.back().name = "bomb2.txt";
    entries.back().shareDataOf = 2;
    return entries;
}

Entry Sized(std::uint16_t method, std::int64_t recorded) {
    Entry e(std::string("sized.txt"), std::string(4000, 's'));
    e.method = method;
    e.recordedSize = recorded;
    return e;
}

Entry Flagged(const std::string& name, std::uint16_t method, std::uint16_t flags) {
    Entry e(name, "payload");
    e.method = method;
    e.flags = flags;
    return e;
}

// A file of the package takes the name of a directory an earlier item made:
// found only while moving, after bin/app.dll was replaced.
std::vector<Entry> ClashWhileMoving() { return With(Entry("bin/app.dll/inner.txt", "x")); }

bool MakeInstallAFile(const std::string& install) {
    fs::remove_all(install);
    return WriteFile(install, "install is a file");
}

bool PlantLink(const std::string& install) {
    fs::create_directories(install + "/../../outside");
    WriteFile(install + "/../../outside/app.dll", "outside");
    fs::remove_all(install + "/bin");
    std::error_code ec;
    fs::create_directory_symlink("../../outside", install + "/bin", ec);
    // Wine reports success without making a link that leads anywhere.
    return !ec && fs::is_symlink(fs::symlink_status(install + "/bin", ec)) &&
           FileText(install + "/bin/app.dll") == "outside";
}

std::string Refused(const std::string& detail) {
    return std::string("COPY REFUSED: ") + kPackage + " (" + detail + ")";
}
std::string Failed(const std::string& detail) {
    return std::string("COPY FAILED: ") + kPackage + " (" + detail + ")";
}

INSTANTIATE_TEST_SUITE_P(
    Table, InstallWholeTest,
    ::testing::Values(FailCase{"bad CRC in the last item", With(BadCrc()), nullptr,
                               Refused("z_last.txt: CRC-32 mismatch")},
                      FailCase{"overlapping items", Overlapping(), nullptr,
                               Refused("bomb2.txt: data overlaps that of bomb1.txt")},
                      FailCase{"size lies up", With(Sized(8, 8000)), nullptr,
                               Refused("sized.txt: data shorter than recorded")},
                      FailCase{"size lies down", With(Sized(8, 3000)), nullptr,
                               Refused("sized.txt: CRC-32 mismatch")},
                      FailCase{"stored sizes differ", With(Sized(0, 3000)), nullptr,
                               Refused("sized.txt: stored item whose two sizes differ")},
                      FailCase{"size beyond deflate", With(Sized(8, 4000000000)), nullptr,
                               Refused("sized.txt: recorded size larger than its data can hold")},
                      FailCase{
                          "LZMA item", With(Flagged("lzma.bin", 14, 0)), nullptr,
                          Refused("lzma.bin: compression method other than stored and deflate")},
                      FailCase{"encrypted item", With(Flagged("secret.txt", 0, 1)), nullptr,
                               Refused("secret.txt: encrypted")},
                      FailCase{"device name", With(Entry("bin/nul.txt", "x")), nullptr,
                               Refused("bin/nul.txt: device name")},
                      FailCase{"260-byte name", With(Entry(std::string(260, 'n'), "x")), nullptr,
                               Refused(std::string(32, 'n') + "...: name of 260 bytes or more")},
                      FailCase{"install is a file", GoodItems(), MakeInstallAFile,
                               Failed("install: not a directory")},
                      FailCase{"clash found while moving", ClashWhileMoving(), nullptr,
                               Failed("bin/app.dll: file in the way")},
                      FailCase{"planted link", GoodItems(), PlantLink,
                               Failed("bin: symbolic link or junction in the way")}),
    [](const ::testing::TestParamInfo<FailCase>& c) { return std::to_string(c.index); });

// Windows refuses to rename a file open without delete sharing: the install
// fails and is undone. POSIX renames it and installs.
TEST_F(InstallWholeTest, FileOpenElsewhereIsEitherReplacedWholeOrLeftWithTheRest) {
    PutPackage({{"a_first.txt", "first"}, {"bin/app.dll", "new app"}});
    install_snapshot::Tree before = install_snapshot::Take(install_);
    plat::File open = plat::File::OpenForRead((install_ + "/bin/app.dll").c_str());
    ASSERT_TRUE(open.valid());
    Install();
    open.Close();
    ASSERT_GE(log_.size(), 2u);
    if (log_.size() == 3) {
        EXPECT_EQ(log_[1], Failed("bin/app.dll: file in the way cannot be moved (in use?)"));
        EXPECT_EQ(install_snapshot::Take(install_), before);
    } else {
        EXPECT_EQ(Contents("bin/app.dll"), "new app");
        EXPECT_TRUE(FileExists(install_ + "/a_first.txt"));
    }
#ifdef _WIN32
    EXPECT_EQ(log_.size(), 3u);
#endif
}

TEST_F(InstallWholeTest, LimitsAndFreeSpaceRefuseBeforeAnythingIsWritten) {
    PutPackage(GoodItems());
    install_snapshot::Tree before = install_snapshot::Take(dir_.path());
    PackageLimits few;
    few.maxItems = 1;
    PackageLimits small;
    small.maxTotalSize = 100;
    PackageLimits full;
    full.reserveBytes = std::uint64_t{1} << 62;
    for (const PackageLimits& limits : {few, small, full}) {
        log_.clear();
        Install(limits);
        ASSERT_EQ(log_.size(), 3u);
        EXPECT_EQ(log_[1].rfind(std::string("COPY REFUSED: ") + kPackage + " (", 0), 0u) << log_[1];
        EXPECT_EQ(install_snapshot::Take(dir_.path()), before);
    }
    EXPECT_EQ(log_[1].find("free on the install volume") != std::string::npos, true) << log_[1];
}

TEST_F(InstallWholeTest, NoDataDirectoryWritesNothing) {
    PutPackage(GoodItems());
    testing_support::ScopedCurrentDir cwd(dir_.path());
    bool rootInstall = FileExists("/install");
    install_snapshot::Tree before = install_snapshot::Take(dir_.path());
    InstallPackage(kPackage, download_.c_str(), "", Writer(), nullptr);
    EXPECT_EQ(log_, CopyLines({Failed("no data directory")}));
    EXPECT_EQ(install_snapshot::Take(dir_.path()), before);
    EXPECT_EQ(FileExists("/install"), rootInstall);
}

}  // namespace

}  // namespace installation
