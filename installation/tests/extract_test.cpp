// Writing items to disk: directories, replacement, attributes, times and
// every kind of broken or hostile item.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "installation/archive.h"
#include "installation/archive_item_info.h"
#include "installation/extract.h"
#include "installation/tests/install_fixture.h"
#include "platform/file_system.h"

namespace installation {

namespace {

Entry Directory(const std::string& name) {
    Entry e(name, "");
    e.externalAttributes = 0x10;
    return e;
}

class ExtractTest : public ::testing::Test {
protected:
    std::string MakeArchive(const std::vector<Entry>& entries, zip_builder::Options options = {}) {
        std::string path = dir_.Join("package.zip");
        EXPECT_TRUE(WriteFile(path, zip_builder::Build(entries, options)));
        return path;
    }
    // Opens the archive with its root at <temp>/root.
    ArchiveHandle Open(const std::vector<Entry>& entries) {
        archive_ = OpenArchive(MakeArchive(entries).c_str(), nullptr);
        EXPECT_NE(archive_, nullptr);
        SetExtractionRoot(archive_, root_.c_str());
        return archive_;
    }
    std::uint32_t Extract(int index) {
        ArchiveItem item;
        GetArchiveItem(archive_, index, &item);
        return ExtractArchiveItem(archive_, index, item.name);
    }
    std::string Contents(const std::string& relative) { return FileText(root_ + "/" + relative); }
    // Every path below the temp directory lies in the root (or is the archive).
    void ExpectNothingOutsideRoot() {
        for (const auto& entry : fs::recursive_directory_iterator(dir_.path())) {
            std::string path = entry.path().string();
            bool inRoot = path.compare(0, root_.size(), root_) == 0;
            EXPECT_TRUE(inRoot || entry.path().filename() == "package.zip") << path;
        }
    }
    void TearDown() override { CloseArchive(archive_); }

    ScopedTempDir dir_;
    std::string root_ = dir_.Join("root");
    ArchiveHandle archive_ = nullptr;
};

TEST_F(ExtractTest, MissingEmptyOrItemlessArchivesGiveFalseAndCreateNothing) {
    EXPECT_FALSE(ExtractArchive(dir_.Join("missing.zip").c_str(), root_.c_str()));
    EXPECT_FALSE(ExtractArchive("", root_.c_str()));
    EXPECT_FALSE(ExtractArchive(MakeArchive({}).c_str(), root_.c_str()));
    EXPECT_FALSE(FileExists(root_));
}

TEST_F(ExtractTest, WritesFilesAndDirectoriesBelowTheDestination) {
    Entry deflated("a/b/c.txt", std::string(5000, 'c'));
    deflated.method = 8;
    std::string archive =
        MakeArchive({Directory("empty/dir/"), deflated, {"top.txt", "top"}, {"zero.txt", ""}});
    ASSERT_TRUE(ExtractArchive(archive.c_str(), root_.c_str()));
    EXPECT_EQ(Contents("a/b/c.txt"), std::string(5000, 'c'));
    EXPECT_EQ(Contents("top.txt"), "top");
    EXPECT_EQ(Contents("zero.txt"), "");
    EXPECT_TRUE(fs::is_directory(root_ + "/empty/dir"));
    plat::FileTime dos = DosStampToFileTime(deflated.dosStamp);
    EXPECT_EQ(plat::ReadWriteTime((root_ + "/a/b/c.txt").c_str()), dos);
    EXPECT_EQ(plat::ReadWriteTime((root_ + "/zero.txt").c_str()), dos);
    EXPECT_TRUE(FileExists(archive));  // the archive itself is left alone
}

// The same package extracted by name and through an open file, whatever
// its file pointer and whatever its name leads to by then.
struct OpenWay {
    const char* label;
    bool held;          // through OpenArchiveFile over a duplicate
    bool pointerAtEnd;  // the held file's pointer left at its end
    bool nameReplaced;  // another archive renamed over the name first
};

class ExtractOpenWayTest : public ExtractTest, public ::testing::WithParamInterface<OpenWay> {};

TEST_P(ExtractOpenWayTest, ExtractsTheBytesOfTheFileItWasGiven) {
    std::string archive = MakeArchive({{"bin/app.txt", "held"}, {"top.txt", "top"}});
    plat::File held;
    if (GetParam().held) held = plat::File::OpenForRead(archive.c_str());
    ASSERT_EQ(held.valid(), GetParam().held);
    if (GetParam().pointerAtEnd) {
        ASSERT_TRUE(held.Seek(0, plat::SeekOrigin::kEnd, nullptr));
    }
    if (GetParam().nameReplaced) {
        std::string other = dir_.Join("other.zip");
        ASSERT_TRUE(
            WriteFile(other, zip_builder::Build({{"bin/app.txt", "other"}, {"top.txt", "top"}})));
        // Windows refuses the rename while the file is held open.
        std::error_code ec;
        fs::rename(other, archive, ec);
    }
    if (GetParam().held) {
        archive_ = OpenArchiveFile(held.Duplicate(), nullptr);
        SetExtractionRoot(archive_, root_.c_str());
        ASSERT_EQ(Extract(0), ARC_OK);
        ASSERT_EQ(Extract(1), ARC_OK);
    } else {
        ASSERT_TRUE(ExtractArchive(archive.c_str(), root_.c_str()));
    }
    EXPECT_EQ(Contents("bin/app.txt"), GetParam().held ? "held" : "other");
    EXPECT_EQ(Contents("top.txt"), "top");
}

INSTANTIATE_TEST_SUITE_P(Table, ExtractOpenWayTest,
                         ::testing::Values(OpenWay{"by_name_after_replacement", false, false, true},
                                           OpenWay{"held", true, false, false},
                                           OpenWay{"held_name_replaced", true, true, true}),
                         [](const ::testing::TestParamInfo<OpenWay>& p) {
                             return std::string(p.param.label);
                         });

TEST(OpenArchiveFile, InvalidOrNonArchiveFileGivesNull) {
    ScopedTempDir dir;
    std::string text = dir.Join("text.zip");
    ASSERT_TRUE(WriteFile(text, "no archive"));
    EXPECT_EQ(OpenArchiveFile(plat::File::OpenForRead(text.c_str()), nullptr), nullptr);
    EXPECT_EQ(OpenArchiveFile(plat::File(), nullptr), nullptr);
}

TEST_F(ExtractTest, NameEndingInSeparatorWithoutDirectoryBitFailsAfterMakingDirectories) {
    std::string jar = MakeArchive({{"META-INF/", ""}, {"META-INF/MANIFEST.MF", "m"}, {"a", "a"}});
    EXPECT_TRUE(ExtractArchive(jar.c_str(), root_.c_str()));
    EXPECT_EQ(Contents("META-INF/MANIFEST.MF"), "m");
    EXPECT_EQ(Contents("a"), "a");
    ASSERT_NE(Open({{"x/y/", ""}, {"ok.txt", "ok"}}), nullptr);
    EXPECT_EQ(Extract(0), ARC_OPEN_FAILED);
    EXPECT_TRUE(fs::is_directory(root_ + "/x/y"));
    EXPECT_EQ(Extract(1), ARC_OK);
}

TEST_F(ExtractTest, ReplacesFilesButNotReadOnlyOnes) {
    Entry readOnly("ro.txt", "new read-only");
    readOnly.externalAttributes = 0x21;
    ASSERT_NE(Open({{"f.txt", "new"}, readOnly}), nullptr);
    ASSERT_TRUE(plat::MakeDirectory(root_.c_str()));
    ASSERT_TRUE(WriteFile(root_ + "/f.txt", "old and longer"));
    EXPECT_EQ(Extract(0), ARC_OK);
    EXPECT_EQ(Contents("f.txt"), "new");
    EXPECT_EQ(Extract(1), ARC_OK);
    EXPECT_EQ(plat::ReadAttributes((root_ + "/ro.txt").c_str()) & plat::kAttrReadOnly,
              plat::kAttrReadOnly);
    EXPECT_EQ(ExtractArchiveItem(archive_, 0, "ro.txt"), ARC_OPEN_FAILED);
    EXPECT_EQ(Contents("ro.txt"), "new read-only");
}

struct DataErrorCase {
    const char* label;
    Entry entry;
    std::uint32_t code;
    std::string partial;  // what stays on disk
};

std::vector<DataErrorCase> DataErrorCases() {
    std::string text(20000, 'q');
    for (std::size_t i = 0; i < text.size(); i += 7) text[i] = static_cast<char>('a' + i % 26);
    Entry badCrc("crc.txt", "checked data");
    badCrc.badCrc = true;
    Entry badCrcDeflated("crc8.txt", text);
    badCrcDeflated.method = 8;
    badCrcDeflated.badCrc = true;
    Entry cutDeflate("cut8.txt", text);
    cutDeflate.method = 8;
    cutDeflate.truncateDataTo = 100;
    return {{"stored, bad CRC", badCrc, ARC_DATA_ERROR, "checked data"},
            {"deflated, bad CRC", badCrcDeflated, ARC_DATA_ERROR, text},
            {"deflate data cut short", cutDeflate, ARC_DATA_ERROR, ""}};
}

class DataErrorTest : public ExtractTest, public ::testing::WithParamInterface<DataErrorCase> {};

TEST_P(DataErrorTest, FailsWithoutArchiveTimesAndKeepsThePartialFile) {
    const DataErrorCase& c = GetParam();
    ASSERT_NE(Open({c.entry, {"next.txt", "next"}}), nullptr);
    EXPECT_EQ(Extract(0), c.code) << c.label;
    std::string path = root_ + "/" + c.entry.name;
    ASSERT_TRUE(FileExists(path));
    if (!c.partial.empty()) {
        EXPECT_EQ(Contents(c.entry.name), c.partial);
    }
    EXPECT_NE(plat::ReadWriteTime(path.c_str()), DosStampToFileTime(c.entry.dosStamp));
    EXPECT_EQ(Extract(1), ARC_OK);
}

INSTANTIATE_TEST_SUITE_P(Table, DataErrorTest, ::testing::ValuesIn(DataErrorCases()));

TEST_F(ExtractTest, HostileNamesStayInsideTheRoot) {
    std::string forty;
    for (int i = 0; i < 40; ++i) forty += "..\\";
    Entry link("link", "../../outside-target");
    link.host = 3;
    link.externalAttributes = 0xA1FF0000;  // a Unix symbolic link
    std::vector<Entry> entries = {{"../evil1.txt", "1"},
                                  {"..\\evil2.txt", "2"},
                                  {"/abs/evil3.txt", "3"},
                                  {"C:\\abs\\evil4.txt", "4"},
                                  {"a/../../evil5.txt", "5"},
                                  {forty + "evil6.txt", "6"},
                                  {"C:evil7.txt", "7"},
                                  {"d/..", "8"},
                                  {"..", "9"},
                                  {"sub/ads.txt:stream", "10"},
                                  {"nul", "11"},
                                  {"x/con.txt", "12"},
                                  {std::string(300, 'n'), "13"},
                                  link,
                                  {"good.txt", "good"}};
    ASSERT_TRUE(ExtractArchive(MakeArchive(entries).c_str(), root_.c_str()));
    ExpectNothingOutsideRoot();
    for (const char* name : {"evil1.txt", "evil2.txt", "abs/evil3.txt", "abs/evil4.txt",
                             "evil5.txt", "evil6.txt", "evil7.txt", "good.txt"})
        EXPECT_TRUE(FileExists(root_ + "/" + name)) << name;
    EXPECT_FALSE(fs::is_symlink(root_ + "/link"));
    EXPECT_EQ(Contents("link"), "../../outside-target");
    EXPECT_FALSE(FileExists(root_ + "/nul"));
    EXPECT_FALSE(FileExists(root_ + "/x/con.txt"));
}

TEST_F(ExtractTest, LyingCountStillExtractsTheRealItems) {
    zip_builder::Options options;
    options.countAdjust = 40000;
    std::string archive = MakeArchive({{"one.txt", "1"}, {"two.txt", "2"}}, options);
    ASSERT_TRUE(ExtractArchive(archive.c_str(), root_.c_str()));
    EXPECT_EQ(Contents("one.txt"), "1");
    EXPECT_EQ(Contents("two.txt"), "2");
}

TEST_F(ExtractTest, TruncatedArchiveOpensNothing) {
    std::string bytes = zip_builder::Build({{"a.txt", std::string(1000, 'a')}});
    std::string path = dir_.Join("cut.zip");
    ASSERT_TRUE(WriteFile(path, bytes.substr(0, bytes.size() / 2)));
    EXPECT_FALSE(ExtractArchive(path.c_str(), root_.c_str()));
    EXPECT_FALSE(FileExists(root_));
}

TEST_F(ExtractTest, ComposedPathsLongerThan259BytesFail) {
    std::string dirPart = std::string(200, 'd') + "/";
    std::size_t room = 259 - (root_.size() + 1) - dirPart.size();
    ASSERT_NE(Open({{dirPart + std::string(room, 'f'), "fits"},
                    {dirPart + std::string(room + 1, 'f'), "too long"}}),
              nullptr);
    EXPECT_EQ(Extract(0), ARC_OK);
    EXPECT_EQ(Extract(1), ARC_OPEN_FAILED);
}

TEST_F(ExtractTest, AbsoluteDestinationNamesBypassTheRoot) {
    ASSERT_NE(Open({{"a.txt", "A"}, Directory("d/")}), nullptr);
    std::string elsewhere = dir_.Join("elsewhere/deeper/a.txt");
    EXPECT_EQ(ExtractArchiveItem(archive_, 0, elsewhere.c_str()), ARC_OK);
    EXPECT_TRUE(FileExists(elsewhere));
    std::string dirElsewhere = dir_.Join("other/sub/");
    EXPECT_EQ(ExtractArchiveItem(archive_, 1, dirElsewhere.c_str()), ARC_OK);
    EXPECT_TRUE(fs::is_directory(dirElsewhere));
}

TEST_F(ExtractTest, EnsureDirectoryPathCreatesTopDownAndOnlyOneRootLevel) {
    std::string root = dir_.Join("r") + "/";
    EnsureDirectoryPath(root.c_str(), "a\\b/c/");
    EXPECT_TRUE(fs::is_directory(dir_.Join("r/a/b/c")));
    EnsureDirectoryPath((dir_.Join("missing/r2") + "/").c_str(), "a/");
    EXPECT_FALSE(FileExists(dir_.Join("missing")));
    EnsureDirectoryPath(nullptr, (dir_.Join("abs/x") + "/").c_str());
    EXPECT_TRUE(fs::is_directory(dir_.Join("abs/x")));
    EnsureDirectoryPath(root.c_str(), (std::string(300, 'z') + "/").c_str());  // no overrun
}

}  // namespace

}  // namespace installation
