// The record of a kept part, the answers' range and validator headers, and
// the clean-up of parts no longer wanted.
#include "net/part_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "testing/temp_dir.h"

namespace {

using testing_support::FileExists;
using testing_support::ScopedTempDir;
using testing_support::WriteFile;

const std::string kGood =
    "TalCheck part 1\nurl=http://h/a/5.10.0023.zip\nvalidator=\"5f-186a0\"\n"
    "total=100000\nheld=4\n";

struct RecordCase {
    const char* text;
    bool parses;
};

TEST(PartRecord, ParsesOnlyCompleteRecords) {
    const RecordCase cases[] = {
        {kGood.c_str(), true},
        {"TalCheck part 1\nurl=u\nvalidator=Mon, 07 Dec 2026 10:00:00 GMT\ntotal=5\n", true},
        {"TalCheck part 2\nurl=u\nvalidator=v\ntotal=5\n", false},
        {"TalCheck part 1\nurl=u\ntotal=5\n", false},
        {"TalCheck part 1\nurl=u\nvalidator=v\ntotal=0\n", false},
        {"TalCheck part 1\nurl=u\nvalidator=v\ntotal=-5\n", false},
        {"TalCheck part 1\nurl=u\nvalidator=v\ntotal=99999999999999999999\n", false},
        {"TalCheck part 1\nvalidator=v\ntotal=5\n", false},
        {"TalCheck part 1\nurl=u\nvalidator=v\ntotal=5\ngarbage\n", false},
        {"TalCheck part 1\nurl=u\nvalidator=v\ntotal=5\nheld=6\n", false},
        {"", false},
    };
    for (const RecordCase& c : cases) {
        net::PartRecord record;
        EXPECT_EQ(net::ParsePartRecord(c.text, &record), c.parses) << c.text;
    }
    net::PartRecord record{"http://h/a/5.10.0023.zip", "\"5f-186a0\"", 100000, 4};
    EXPECT_EQ(net::FormatPartRecord(record), kGood);
}

struct RangeCase {
    const char* text;
    bool parses;
    std::uint64_t first, total;
};

TEST(ContentRange, GivesStartAndTotal) {
    const RangeCase cases[] = {
        {"bytes 30000-99999/100000", true, 30000, 100000},
        {"bytes 0-0/1", true, 0, 1},
        {"bytes */100000", false, 0, 0},
        {"bytes 30000-99999/*", false, 0, 0},
        {"bytes 30000-100000/100000", false, 0, 0},
        {"bytes 5-4/10", false, 0, 0},
        {"items 0-1/2", false, 0, 0},
        {"", false, 0, 0},
    };
    for (const RangeCase& c : cases) {
        std::uint64_t first = 0, total = 0;
        EXPECT_EQ(net::ParseContentRange(c.text, &first, &total), c.parses) << c.text;
        if (!c.parses) continue;
        EXPECT_EQ(first, c.first) << c.text;
        EXPECT_EQ(total, c.total) << c.text;
    }
}

TEST(Validator, StrongETagElseLastModified) {
    EXPECT_EQ(net::ChooseValidator("\"5f-1\"", "Mon, 07 Dec 2026 10:00:00 GMT"), "\"5f-1\"");
    EXPECT_EQ(net::ChooseValidator("W/\"5f-1\"", "Mon, 07 Dec 2026 10:00:00 GMT"),
              "Mon, 07 Dec 2026 10:00:00 GMT");
    EXPECT_EQ(net::ChooseValidator("", ""), "");
    EXPECT_EQ(net::ChooseValidator("W/\"5f-1\"", ""), "");
}

TEST(PartRecord, StaysAtItsSizeLimitAndIsNeverReadThroughALink) {
    ScopedTempDir dir;
    std::string package = dir.Join("p.zip");
    net::PartRecord record{std::string(4000, 'u'), "\"v\"", 10};
    EXPECT_TRUE(net::WritePartRecord(package.c_str(), record));
    EXPECT_TRUE(net::ReadPartRecord(package.c_str(), &record));
    record.url.append(100, 'u');
    EXPECT_FALSE(net::WritePartRecord(package.c_str(), record));
    ASSERT_TRUE(WriteFile(package + ".part", kGood + std::string(4096, '\n')));
    EXPECT_FALSE(net::ReadPartRecord(package.c_str(), &record));
}

bool IsTestPackageName(const std::string& name) { return name.rfind("5.", 0) == 0; }

TEST(RemoveOtherParts, DeletesOnlyThePartsOfPackagesNotChosen) {
    ScopedTempDir dir, outside;
    for (const char* name : {"5.10.0023.zip", "5.10.0021.zip", "5.20.0001.zip", "station.ini"}) {
        ASSERT_TRUE(WriteFile(dir.Join(name), "part"));
        ASSERT_TRUE(WriteFile(dir.Join(std::string(name) + ".part"), kGood));
    }
    ASSERT_TRUE(WriteFile(outside.Join("secret"), "secret"));
    std::error_code ec;
    for (const char* name : {"5.30.0001.zip", "5.30.0001.zip.part"})
        std::filesystem::create_symlink(outside.Join("secret"), dir.Join(name), ec);
    net::RemoveOtherParts(dir.path().c_str(), {"5.10.0023.zip", "5.20.0001.zip"},
                          IsTestPackageName);
    EXPECT_TRUE(FileExists(dir.Join("5.10.0023.zip.part")));
    EXPECT_TRUE(FileExists(dir.Join("5.20.0001.zip")));
    EXPECT_FALSE(FileExists(dir.Join("5.10.0021.zip")));
    EXPECT_FALSE(FileExists(dir.Join("5.10.0021.zip.part")));
    EXPECT_FALSE(std::filesystem::is_symlink(dir.Join("5.30.0001.zip.part")));
    EXPECT_TRUE(FileExists(dir.Join("station.ini")) && FileExists(outside.Join("secret")));
    std::vector<net::KeptPart> parts = net::ListKeptParts(dir.path().c_str(), IsTestPackageName);
    ASSERT_EQ(parts.size(), 2u);
    for (const net::KeptPart& p : parts) {
        EXPECT_EQ(p.held, 4u) << p.name;
        EXPECT_EQ(p.record.validator, "\"5f-186a0\"") << p.name;
    }
}

}  // namespace
