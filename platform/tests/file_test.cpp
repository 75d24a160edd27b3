// File handle, file system and time conversion, identical expectations on
// both backends.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/file_handle.h"
#include "platform/file_system.h"
#include "platform/file_time.h"
#include "testing/temp_dir.h"

namespace {

using testing_support::FileExists;
using testing_support::FileText;
using testing_support::ScopedTempDir;
using testing_support::WriteFile;

// 2001-09-09 01:46:40 UTC, a round Unix time (1e9 s).
constexpr plat::FileTime kSomeTime = 116444736000000000ULL + 1000000000ULL * 10000000ULL;

TEST(FileHandle, WritesReadsAndSeeks) {
    ScopedTempDir dir;
    std::string path = dir.Join("data.bin");
    plat::File out = plat::File::CreateAlways(path.c_str(), plat::kAttrArchive);
    ASSERT_TRUE(out.valid());
    ASSERT_TRUE(out.Write("0123456789", 10));
    out.Close();

    plat::File in = plat::File::OpenForRead(path.c_str());
    ASSERT_TRUE(in.valid());
    std::uint64_t pos = 0;
    ASSERT_TRUE(in.Seek(-4, plat::SeekOrigin::kEnd, &pos));
    EXPECT_EQ(pos, 6u);
    char buf[8] = {};
    EXPECT_EQ(in.Read(buf, sizeof buf), 4);
    EXPECT_EQ(std::string(buf, 4), "6789");
    EXPECT_EQ(in.Read(buf, sizeof buf), 0);
    ASSERT_TRUE(in.Seek(20, plat::SeekOrigin::kBegin, &pos));  // past the end is allowed
    EXPECT_EQ(in.Read(buf, sizeof buf), 0);
    EXPECT_EQ(in.LastError(), 0);
    EXPECT_FALSE(in.Write("x", 1));  // opened for reading only
    EXPECT_NE(in.LastError(), 0);
}

TEST(FileHandle, OpenForReadFailsForMissingFilesAndDirectories) {
    ScopedTempDir dir;
    plat::File missing = plat::File::OpenForRead(dir.Join("missing").c_str());
    EXPECT_FALSE(missing.valid());
    EXPECT_EQ(missing.LastError(), 2);  // ENOENT and ERROR_FILE_NOT_FOUND alike
    plat::File directory = plat::File::OpenForRead(dir.path().c_str());
    EXPECT_FALSE(directory.valid());
    EXPECT_NE(directory.LastError(), 0);
    EXPECT_FALSE(plat::File::OpenForRead("").valid());
}

TEST(FileHandle, CreateAlwaysReplacesButRefusesReadOnly) {
    ScopedTempDir dir;
    std::string path = dir.Join("f.txt");
    ASSERT_TRUE(WriteFile(path, "old contents"));
    {
        plat::File f =
            plat::File::CreateAlways(path.c_str(), plat::kAttrReadOnly | plat::kAttrArchive);
        ASSERT_TRUE(f.valid());
        EXPECT_TRUE(f.Write("new", 3));  // the new file's handle stays writable
    }
    EXPECT_EQ(FileText(path), "new");
    EXPECT_EQ(plat::ReadAttributes(path.c_str()) & plat::kAttrReadOnly, plat::kAttrReadOnly);

    EXPECT_FALSE(plat::File::CreateAlways(path.c_str(), plat::kAttrArchive).valid());
    EXPECT_FALSE(plat::RemoveFile(path.c_str()));
    EXPECT_EQ(FileText(path), "new");
    EXPECT_FALSE(plat::File::CreateAlways(dir.path().c_str(), plat::kAttrArchive).valid());
}

TEST(FileHandle, SetTimesSetsWriteTimeAndZeroKeepsIt) {
    ScopedTempDir dir;
    std::string path = dir.Join("t.txt");
    {
        plat::File f = plat::File::CreateAlways(path.c_str(), plat::kAttrArchive);
        ASSERT_TRUE(f.valid());
        ASSERT_TRUE(f.SetTimes(kSomeTime, kSomeTime, kSomeTime));
    }
    EXPECT_EQ(plat::ReadWriteTime(path.c_str()), kSomeTime);
    {
        plat::File f = plat::File::CreateAlways(path.c_str(), plat::kAttrArchive);
        ASSERT_TRUE(f.valid());
        ASSERT_TRUE(f.SetTimes(0, 0, 0));
    }
    EXPECT_NE(plat::ReadWriteTime(path.c_str()), kSomeTime);
}

TEST(FileSystem, BothSeparatorsAndLongPaths) {
    ScopedTempDir dir;
    std::string sub = dir.path() + "\\sub";
    ASSERT_TRUE(plat::CreateDirectoryLevel(sub.c_str()));
    EXPECT_FALSE(plat::CreateDirectoryLevel(sub.c_str()));  // exists
    std::string file = dir.path() + "/sub\\f.txt";
    ASSERT_TRUE(plat::File::CreateAlways(file.c_str(), plat::kAttrArchive).valid());
    EXPECT_TRUE(FileExists(dir.Join("sub/f.txt")));
    EXPECT_TRUE(plat::PathExists(file.c_str()));
    EXPECT_TRUE(plat::IsDirectory(sub.c_str()));
    EXPECT_FALSE(plat::IsDirectory(file.c_str()));
    EXPECT_EQ(plat::ReadAttributes(sub.c_str()) & plat::kAttrDirectory, plat::kAttrDirectory);
    EXPECT_EQ(plat::ReadAttributes(dir.Join("nothing").c_str()), plat::kInvalidAttributes);

    for (const char* bad : {"/a?b.txt", "/a*b", "/a|b", "/a<b>", "/a\"b", "/tab\tname"})
        EXPECT_FALSE(
            plat::File::CreateAlways((dir.path() + bad).c_str(), plat::kAttrArchive).valid())
            << bad;
    std::string tooLong = dir.path() + "/" + std::string(260, 'x');
    EXPECT_FALSE(plat::File::CreateAlways(tooLong.c_str(), plat::kAttrArchive).valid());
    EXPECT_FALSE(plat::MakeDirectory(tooLong.c_str()));
    EXPECT_FALSE(plat::PathExists(tooLong.c_str()));
}

TEST(FileSystem, MakeDirectoryCreatesOneLevelOnly) {
    ScopedTempDir dir;
    EXPECT_FALSE(plat::MakeDirectory(dir.Join("a/b").c_str()));
    EXPECT_TRUE(plat::MakeDirectory(dir.Join("a").c_str()));
    EXPECT_TRUE(plat::MakeDirectory(dir.Join("a/b").c_str()));
    EXPECT_FALSE(plat::RemoveDirectoryLevel(dir.Join("a").c_str()));  // not empty
    EXPECT_TRUE(plat::RemoveDirectoryLevel(dir.Join("a/b").c_str()));
}

TEST(FileSystem, CopyFileOverOverwritesAndKeepsWriteTime) {
    ScopedTempDir dir;
    std::string from = dir.Join("from.txt"), to = dir.Join("to.txt");
    {
        plat::File f = plat::File::CreateAlways(from.c_str(), plat::kAttrArchive);
        ASSERT_TRUE(f.Write("payload", 7));
        ASSERT_TRUE(f.SetTimes(0, 0, kSomeTime));
    }
    ASSERT_TRUE(WriteFile(to, "older and longer"));
    ASSERT_TRUE(plat::CopyFileOver(from.c_str(), to.c_str()));
    EXPECT_EQ(FileText(to), "payload");
    EXPECT_EQ(plat::ReadWriteTime(to.c_str()), kSomeTime);
    EXPECT_FALSE(plat::CopyFileOver(dir.Join("missing").c_str(), to.c_str()));
}

TEST(FileSystem, RemoveTreeDeletesEverythingBelowButNotLinkTargets) {
    ScopedTempDir dir;
    std::string outside = dir.Join("outside");
    ASSERT_TRUE(plat::MakeDirectory(outside.c_str()));
    ASSERT_TRUE(WriteFile(outside + "/keep.txt", "keep"));
    std::string tree = dir.Join("tree");
    ASSERT_TRUE(plat::MakeDirectory(tree.c_str()));
    ASSERT_TRUE(plat::MakeDirectory((tree + "/a").c_str()));
    ASSERT_TRUE(plat::MakeDirectory((tree + "/a/b").c_str()));
    ASSERT_TRUE(WriteFile(tree + "/a/b/c.txt", "c"));
    plat::File ro = plat::File::CreateAlways((tree + "/a/ro.txt").c_str(), plat::kAttrReadOnly);
    ro.Close();
    std::error_code ec;
    std::filesystem::create_directory_symlink(outside, tree + "/a/link", ec);

    plat::RemoveTree(tree.c_str(), nullptr);
    EXPECT_FALSE(FileExists(tree));
    EXPECT_TRUE(FileExists(outside + "/keep.txt"));
}

struct CalendarCase {
    plat::CalendarTime time;
    bool valid;
};

class CalendarConversion : public ::testing::TestWithParam<CalendarCase> {};

TEST_P(CalendarConversion, AcceptsOnlyRealCalendarTimes) {
    plat::FileTime result = 12345;
    EXPECT_EQ(plat::LocalCalendarToFileTime(GetParam().time, &result), GetParam().valid);
    if (!GetParam().valid) {
        EXPECT_EQ(result, 12345u);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, CalendarConversion,
                         ::testing::Values(CalendarCase{{1980, 1, 1, 0, 0, 0, 0}, true},
                                           CalendarCase{{2107, 12, 31, 23, 59, 58, 0}, true},
                                           CalendarCase{{2024, 2, 29, 12, 0, 0, 0}, true},
                                           CalendarCase{{2023, 2, 29, 12, 0, 0, 0}, false},
                                           CalendarCase{{1980, 0, 1, 0, 0, 0, 0}, false},
                                           CalendarCase{{1980, 1, 0, 0, 0, 0, 0}, false},
                                           CalendarCase{{1980, 13, 1, 0, 0, 0, 0}, false},
                                           CalendarCase{{1980, 4, 31, 0, 0, 0, 0}, false},
                                           CalendarCase{{1980, 1, 1, 24, 0, 0, 0}, false},
                                           CalendarCase{{1980, 1, 1, 0, 60, 0, 0}, false},
                                           CalendarCase{{1980, 1, 1, 0, 0, 60, 0}, false}));

TEST(CalendarConversion, DifferencesAreExact) {
    plat::FileTime a = 0, b = 0;
    ASSERT_TRUE(plat::LocalCalendarToFileTime({2000, 1, 1, 0, 0, 0, 0}, &a));
    ASSERT_TRUE(plat::LocalCalendarToFileTime({2000, 3, 1, 1, 2, 4, 0}, &b));
    // 31 + 29 days, 1 h 2 min 4 s; the bias is the same for both.
    EXPECT_EQ(b - a, (60ULL * 86400 + 3724) * 10000000);
}

}  // namespace
