// A package is installed whole or not at all: every refused or failing
// package leaves install exactly as it was, keeps the download and names
// its reason in one log line.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "installation/install_package.h"
#include "installation/tests/install_snapshot.h"
#include "installation/tests/zip_builder.h"
#include "platform/file_handle.h"
#include "testing/temp_dir.h"

namespace installation {

namespace {

namespace fs = std::filesystem;
using testing_support::FileExists;
using testing_support::ReadFile;
using testing_support::ScopedTempDir;
using testing_support::WriteFile;
using zip_builder::Entry;

using install_snapshot::kPackage;

Entry Deflated(const std::string& name, const std::string& data) {
    Entry e(name, data);
    e.method = 8;
    return e;
}

// Good items first, so that a refusal must undo nothing visible.
std::vector<Entry> GoodItems() {
    return {Deflated("bin/app.dll", std::string(3000, 'n')), {"readme.txt", "new readme"}};
}

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

class InstallFixture : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(install_ + "/bin");
        ASSERT_TRUE(WriteFile(install_ + "/bin/app.dll", "old app"));
        ASSERT_TRUE(WriteFile(install_ + "/keep.txt", "keep"));
    }
    vocab::LogWriter Writer() {
        return [this](const vocab::LogEvent& e) { log_.push_back(vocab::LogLineText(e)); };
    }

    ScopedTempDir dir_;
    std::string data_ = dir_.Join("data");
    std::string install_ = data_ + "/install";
    std::string download_ = dir_.Join(kPackage);
    std::vector<std::string> log_;
};

class InstallWholeTest : public InstallFixture, public ::testing::WithParamInterface<FailCase> {};

TEST_P(InstallWholeTest, LeavesInstallAsItWasKeepsThePackageAndLogsWhy) {
    const FailCase& c = GetParam();
    if (c.prepare != nullptr && !c.prepare(install_)) GTEST_SKIP() << "no symbolic links here";
    std::string package = zip_builder::Build(c.entries);
    ASSERT_TRUE(WriteFile(download_, package));
    install_snapshot::Tree before = install_snapshot::Take(dir_.path());

    InstallPackage(kPackage, download_.c_str(), data_.c_str(), Writer(), nullptr);

    EXPECT_EQ(install_snapshot::Take(dir_.path()), before) << c.label;
    std::string kept;
    ASSERT_TRUE(ReadFile(download_, &kept));
    EXPECT_EQ(kept, package);
    std::vector<std::string> expected = {std::string("START COPY: ") + kPackage, c.line,
                                         std::string("END COPY: ") + kPackage};
    EXPECT_EQ(log_, expected) << c.label;
}

struct GoodCase {
    const char* label;
    std::vector<Entry> entries;            // GoodItems() follow
    std::vector<const char*> directories;  // expected below install
};

class InstallGoodTest : public InstallFixture, public ::testing::WithParamInterface<GoodCase> {};

TEST_P(InstallGoodTest, ReplacesFilesMakesDirectoriesAndDeletesTheDownload) {
    const GoodCase& c = GetParam();
    std::vector<Entry> entries = c.entries;
    for (const Entry& e : GoodItems()) entries.push_back(e);
    ASSERT_TRUE(WriteFile(download_, zip_builder::Build(entries)));
    InstallPackage(kPackage, download_.c_str(), data_.c_str(), Writer(), nullptr);
    for (const char* d : c.directories) EXPECT_TRUE(fs::is_directory(install_ + "/" + d)) << d;
    EXPECT_EQ(log_, (std::vector<std::string>{std::string("START COPY: ") + kPackage,
                                              std::string("END COPY: ") + kPackage}));
    EXPECT_FALSE(FileExists(download_));
    std::string bytes;
    ASSERT_TRUE(ReadFile(install_ + "/bin/app.dll", &bytes));
    EXPECT_EQ(bytes, std::string(3000, 'n'));
    ASSERT_TRUE(ReadFile(install_ + "/keep.txt", &bytes));
    EXPECT_EQ(bytes, "keep");
    EXPECT_FALSE(FileExists(install_ + "/.talcheck-staging"));
}

// Named like a directory, without the directory bit.
Entry DirectoryByName(const std::string& name, std::uint8_t host, std::uint32_t attributes,
                      std::uint16_t method) {
    Entry e(name, "");
    e.host = host;
    e.externalAttributes = attributes;
    e.method = method;
    return e;
}

INSTANTIATE_TEST_SUITE_P(
    Table, InstallGoodTest,
    ::testing::Values(GoodCase{"plain", {}, {"bin"}},
                      GoodCase{"jar-style",
                               {DirectoryByName("META-INF/", 0, 0, 0),
                                Deflated("META-INF/MANIFEST.MF", "Manifest-Version: 1.0\r\n")},
                               {"META-INF"}},
                      GoodCase{"file mode, deflated, backslash",
                               {DirectoryByName("lib\\", 3, 0x81A40000u, 8)},
                               {"lib"}}),
    [](const ::testing::TestParamInfo<GoodCase>& c) { return std::to_string(c.index); });

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
    std::string bytes;
    return !ec && fs::is_symlink(fs::symlink_status(install + "/bin", ec)) &&
           ReadFile(install + "/bin/app.dll", &bytes) && bytes == "outside";
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
                      FailCase{"superscript port", With(Entry("COM\xB9.log", "x")), nullptr,
                               Refused("COM\xB9.log: device name")},
                      FailCase{"stream name", With(Entry("a.txt:evil", "x")), nullptr,
                               Refused("a.txt:evil: character not allowed in a file name")},
                      FailCase{"data under a directory name", With(Entry("docs/", "x")), nullptr,
                               Refused("docs/: no file name")},
                      FailCase{"trailing dot", With(Entry("dir./x", "x")), nullptr,
                               Refused("dir./x: name component ending in a dot or blank")},
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
    std::vector<Entry> entries = {{"a_first.txt", "first"}, {"bin/app.dll", "new app"}};
    ASSERT_TRUE(WriteFile(download_, zip_builder::Build(entries)));
    install_snapshot::Tree before = install_snapshot::Take(install_);
    plat::File open = plat::File::OpenForRead((install_ + "/bin/app.dll").c_str());
    ASSERT_TRUE(open.valid());
    InstallPackage(kPackage, download_.c_str(), data_.c_str(), Writer(), nullptr);
    open.Close();
    ASSERT_GE(log_.size(), 2u);
    if (log_.size() == 3) {
        EXPECT_EQ(log_[1], Failed("bin/app.dll: file in the way cannot be moved (in use?)"));
        EXPECT_EQ(install_snapshot::Take(install_), before);
    } else {
        std::string bytes;
        ASSERT_TRUE(ReadFile(install_ + "/bin/app.dll", &bytes));
        EXPECT_EQ(bytes, "new app");
        EXPECT_TRUE(FileExists(install_ + "/a_first.txt"));
    }
#ifdef _WIN32
    EXPECT_EQ(log_.size(), 3u);
#endif
}

TEST_F(InstallWholeTest, LimitsAndFreeSpaceRefuseBeforeAnythingIsWritten) {
    std::string package = zip_builder::Build(GoodItems());
    ASSERT_TRUE(WriteFile(download_, package));
    install_snapshot::Tree before = install_snapshot::Take(dir_.path());
    PackageLimits few;
    few.maxItems = 1;
    PackageLimits small;
    small.maxTotalSize = 100;
    PackageLimits full;
    full.reserveBytes = std::uint64_t{1} << 62;
    for (const PackageLimits& limits : {few, small, full}) {
        log_.clear();
        InstallPackage(kPackage, download_.c_str(), data_.c_str(), Writer(), nullptr, limits);
        ASSERT_EQ(log_.size(), 3u);
        EXPECT_EQ(log_[1].rfind(std::string("COPY REFUSED: ") + kPackage + " (", 0), 0u) << log_[1];
        EXPECT_EQ(install_snapshot::Take(dir_.path()), before);
    }
    EXPECT_EQ(log_[1].find("free on the install volume") != std::string::npos, true) << log_[1];
}

TEST_F(InstallWholeTest, NoDataDirectoryWritesNothing) {
    std::string package = zip_builder::Build(GoodItems());
    ASSERT_TRUE(WriteFile(download_, package));
    testing_support::ScopedCurrentDir cwd(dir_.path());
    bool rootInstall = FileExists("/install");
    install_snapshot::Tree before = install_snapshot::Take(dir_.path());
    InstallPackage(kPackage, download_.c_str(), "", Writer(), nullptr);
    EXPECT_EQ(log_, (std::vector<std::string>{std::string("START COPY: ") + kPackage,
                                              Failed("no data directory"),
                                              std::string("END COPY: ") + kPackage}));
    EXPECT_EQ(install_snapshot::Take(dir_.path()), before);
    EXPECT_EQ(FileExists("/install"), rootInstall);
}

struct NameCase {
    const char* name;
    bool directory;
    bool refused;
};

class RefuseItemNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(RefuseItemNameTest, AppliesTheNameRules) {
    const NameCase& c = GetParam();
    EXPECT_EQ(RefuseItemName(c.name, c.directory, "D:\\Data\\install") != nullptr, c.refused)
        << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Table, RefuseItemNameTest,
    ::testing::Values(NameCase{"bin/app.dll", false, false}, NameCase{"./bin/x", false, false},
                      NameCase{"./", true, false}, NameCase{"", true, false},
                      NameCase{"", false, true}, NameCase{"bin/", false, true},
                      NameCase{"a/..", false, true}, NameCase{"a/.../b", false, true},
                      NameCase{"a/.. /b", false, true}, NameCase{"x.txt ", false, true},
                      NameCase{"a:b", false, true}, NameCase{"a*b", false, true},
                      NameCase{"tab\tname", false, true}, NameCase{"lpt1/x", true, true},
                      NameCase{"conout$", false, true}));

}  // namespace

}  // namespace installation
