// Probing the lines after the installed one: where it stops, which line is
// the newest, and why it stopped.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "update/update_run.h"

namespace update {

namespace {

struct ProbeCase {
    const char* name;
    std::vector<std::string> answers;  // listings of the probes in order; "" ends
    int32_t major;                     // probing starts after (major, 8)
    const char* newestFolder;
    int probes;
    ProbeStop stop;
};

class ProbeTest : public ::testing::TestWithParam<ProbeCase> {};

std::vector<std::string> DistinctListings(int count) {
    std::vector<std::string> listings;
    for (int i = 0; i < count; ++i) listings.push_back(std::to_string(i) + ".zip\t");
    return listings;
}

TEST_P(ProbeTest, StopsAtEmptyOrRepeatedListings) {
    const ProbeCase& c = GetParam();
    std::size_t next = 0;
    ProbeResult r = ProbeFollowingLines(c.major, 8, [&](const LineFolder&, std::string& listing) {
        if (next < c.answers.size()) listing += c.answers[next++];
    });
    EXPECT_STREQ(r.newestFolder, c.newestFolder);
    EXPECT_EQ(r.probes, c.probes);
    EXPECT_EQ(r.stop, c.stop);
}

const ProbeCase kProbes[] = {
    {"FirstEmpty", {""}, 5, "", 1, ProbeStop::kNoNames},
    {"TwoLines", {"a.zip\t", "b.zip\t", ""}, 5, "/6_0%20Installers/", 3, ProbeStop::kNoNames},
    {"RepeatAtOnce", {"e.html\t", "e.html\t"}, 5, "", 2, ProbeStop::kRepeat},
    {"RepeatAfterRealLine",
     {"a.zip\t", "e.html\t", "e.html\t"},
     5,
     "/5_9%20Installers/",
     3,
     ProbeStop::kRepeat},
    {"SameAsTwoBackIsFine",
     {"a\t", "b\t", "a\t", ""},
     5,
     "/6_1%20Installers/",
     4,
     ProbeStop::kNoNames},
    {"Limit", DistinctListings(kMaxProbes + 1), 5, "/15_8%20Installers/", kMaxProbes,
     ProbeStop::kLimit},
    {"LastMajorEnds",
     {"a\t", "b\t"},
     INT32_MAX,
     "/2147483647_9%20Installers/",
     1,
     ProbeStop::kNoNextLine},
};

INSTANTIATE_TEST_SUITE_P(Cases, ProbeTest, ::testing::ValuesIn(kProbes),
                         [](const ::testing::TestParamInfo<ProbeCase>& p) { return p.param.name; });

}  // namespace

}  // namespace update
