// A kept part's record while its download writes: it never names bytes not
// yet flushed, names all of them at a cut, and is not written after Stop.
#include "net/part_flushes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "testing/temp_dir.h"

namespace {

struct FlushCase {
    const char* name;
    std::uint64_t total;  // the record's total; 0: the part has no record
    std::uint64_t bytes;  // written before the end
    bool cut;             // ends with Flush(), at a cut; else with Stop()
    bool kept;            // the record then names all the file holds
};

class PartFlushesTest : public ::testing::TestWithParam<FlushCase> {};

TEST_P(PartFlushesTest, RecordNeverNamesMoreThanWasFlushed) {
    const FlushCase& c = GetParam();
    testing_support::ScopedTempDir dir;
    std::string path = dir.Join("5.10.0023.zip");
    if (c.total > 0) net::WritePartRecord(path.c_str(), {"http://h/p", "\"v\"", c.total, 0});
    plat::File file = plat::File::CreatePackage(path.c_str());
    std::vector<char> chunk(32767, 'x');
    {
        net::PartFlushes flushes(path.c_str(), file);
        for (std::uint64_t n = 0; n < c.bytes; n += chunk.size()) {
            ASSERT_TRUE(file.Write(chunk.data(), chunk.size()));
            flushes.Wrote(chunk.size());
        }
        bool kept = c.cut && flushes.Flush();
        flushes.Stop();
        net::PartRecord record;
        std::uint64_t size = 0;
        EXPECT_EQ(net::ReadPartRecord(path.c_str(), &record), c.total > 0);
        EXPECT_TRUE(file.Size(&size));
        EXPECT_LE(record.held, std::min(size, c.total));
        EXPECT_EQ(kept, c.kept);
        EXPECT_EQ(record.held == size, c.kept);
        // Removed now, the record must not come back from the flushing thread.
        net::RemovePartRecord(path.c_str());
    }
    EXPECT_FALSE(testing_support::FileExists(path + ".part"));
}

constexpr std::uint64_t kMiB = 1 << 20;
INSTANTIATE_TEST_SUITE_P(
    Table, PartFlushesTest,
    ::testing::Values(FlushCase{"CutNamesAll", 99 * kMiB, 3 * kMiB, true, true},
                      FlushCase{"CutPastFlushes", 99 * kMiB, 40 * kMiB, true, true},
                      FlushCase{"StopMidway", 99 * kMiB, 5 * kMiB, false, false},
                      FlushCase{"OverTheTotal", kMiB, 2 * kMiB, true, false},
                      FlushCase{"NoRecord", 0, kMiB, true, false}),
    [](const auto& p) { return std::string(p.param.name); });

}  // namespace
