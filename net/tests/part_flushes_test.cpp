// A kept part's record while its download writes: it never names bytes not
// yet flushed, names all of them at a cut, and is not written after Stop.
#include "net/part_flushes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "net/part_file.h"
#include "testing/temp_dir.h"

namespace {

constexpr std::uint64_t kMiB = 1024 * 1024;

struct FlushCase {
    const char* name;
    bool recorded;        // the part has a record when its download starts
    std::uint64_t total;  // the record's total
    std::uint64_t bytes;  // written before the end
    bool cut;             // ends with Flush(), else with Stop()
    bool kept;            // Flush()'s answer at a cut
};

class PartFlushesTest : public ::testing::TestWithParam<FlushCase> {};

TEST_P(PartFlushesTest, RecordNeverNamesMoreThanWasFlushed) {
    const FlushCase& c = GetParam();
    testing_support::ScopedTempDir dir;
    std::string path = dir.Join("5.10.0023.zip");
    if (c.recorded) {
        ASSERT_TRUE(net::WritePartRecord(path.c_str(), {"http://h/p", "\"v\"", c.total, 0}));
    }
    plat::File file = plat::File::CreatePackage(path.c_str());
    ASSERT_TRUE(file.valid());
    std::vector<char> chunk(32767, 'x');
    {
        net::PartFlushes flushes(path.c_str(), file);
        for (std::uint64_t done = 0; done < c.bytes; done += chunk.size()) {
            ASSERT_TRUE(file.Write(chunk.data(), chunk.size()));
            flushes.Wrote(chunk.size());
        }
        bool kept = false;
        if (c.cut) kept = flushes.Flush();
        if (!c.cut) flushes.Stop();
        EXPECT_EQ(kept, c.kept);
        net::PartRecord record;
        bool read = net::ReadPartRecord(path.c_str(), &record);
        EXPECT_EQ(read, c.recorded);
        std::uint64_t size = 0;
        ASSERT_TRUE(file.Size(&size));
        EXPECT_LE(record.held, std::min(size, c.total));
        EXPECT_EQ(record.held == size, kept);
        // Removed now, the record must not come back from the flushing thread.
        net::RemovePartRecord(path.c_str());
    }
    EXPECT_FALSE(testing_support::FileExists(path + ".part"));
}

INSTANTIATE_TEST_SUITE_P(
    Table, PartFlushesTest,
    ::testing::Values(FlushCase{"CutNamesAll", true, 100 * kMiB, 3 * kMiB, true, true},
                      FlushCase{"CutPastManyFlushes", true, 100 * kMiB, 40 * kMiB, true, true},
                      FlushCase{"StopMidway", true, 100 * kMiB, 5 * kMiB, false, false},
                      FlushCase{"OverTheTotal", true, 1 * kMiB, 2 * kMiB, true, false},
                      FlushCase{"NoRecord", false, 0, 1 * kMiB, true, false}),
    [](const ::testing::TestParamInfo<FlushCase>& p) { return std::string(p.param.name); });

}  // namespace
