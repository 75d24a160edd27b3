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
        {"TalCheck part 1\nurl=u\nvalidator=v\ntotal=5\nheld=x\n", false},
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

// Stands in for the run's test of package names.
bool IsTestPackageName(const std::string& name) {
    return name.size() == 13 && name.compare(9, 4, ".zip") == 0 && name[0] == '5';
}

// Only records the program names, of packages not chosen, go with their
// packages; links go as themselves; every other name stays, whatever it
// would lead to.
TEST(RemoveOtherParts, DeletesOnlyTheProgramsOwnRecordsOfPackagesNotChosen) {
    ScopedTempDir dir, outside;
    const std::string secret = outside.Join("5.10.0021.zip");
    ASSERT_TRUE(WriteFile(secret, "secret") && WriteFile(secret + ".part", kGood));
    const std::string up =
        "..\\" + std::filesystem::path(outside.path()).filename().string() + "\\";
    const struct {
        std::string name;
        bool link, gone;
    } planted[] = {
        {"5.10.0021.zip", false, true},
        {"5.10.0021.zip.part", false, true},
        {"5.10.0023.zip", false, false},
        {"5.10.0023.zip.part", false, false},
        {"5.20.0001.zip", true, true},
        {"5.20.0001.zip.part", true, true},
        {"frontend.exe", false, false},
        {"frontend.exe.part", false, false},
        {"station.ini.part", false, false},
        {"notes.txt.part", false, false},
        {up + "5.10.0021.zip.part", false, false},  // POSIX only: no separator there
    };
    for (const auto& p : planted) {
        std::error_code ec;
        if (p.link) std::filesystem::create_symlink(secret, dir.Join(p.name), ec);
        if (!p.link) WriteFile(dir.Join(p.name), kGood);
    }
    net::RemoveOtherParts(dir.path().c_str(), {"5.10.0023.zip"}, IsTestPackageName);
    for (const auto& p : planted) {
        std::error_code ec;
        bool there = std::filesystem::symlink_status(dir.Join(p.name), ec).type() !=
                     std::filesystem::file_type::not_found;
        EXPECT_TRUE(!there || !p.gone) << p.name;
    }
    EXPECT_TRUE(FileExists(dir.Join("frontend.exe")) && FileExists(dir.Join("notes.txt.part")));
    EXPECT_TRUE(FileExists(secret) && FileExists(secret + ".part"));
    std::vector<net::KeptPart> parts = net::ListKeptParts(dir.path().c_str(), IsTestPackageName);
    ASSERT_EQ(parts.size(), 1u);
    EXPECT_EQ(parts[0].name, "5.10.0023.zip");
    EXPECT_EQ(parts[0].held, 4u);
}

}  // namespace
