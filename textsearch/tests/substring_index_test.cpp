#include "textsearch/substring_index.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <tuple>
#include <vector>

namespace {

using Limits = textsearch::SubstringIndex::Limits;

struct LimitsCase {
    const char* name;
    Limits limits;
};

// Each limit steers the questions to another structure: window tables for
// every length, as long as no tab comes; the tables with the usual limits,
// then the grams; one table only; tables that give up on the first
// occupied slot, or the third; the grams alone; the grams until their
// first long walk, then the automaton; the automaton alone; the sorted
// windows alone (no memory for anything else); the automaton until it
// outgrows half a MiB, then the sorted windows.
// clang-format off
const LimitsCase kLimits[] = {
    {"TablesOnly", Limits{1000, 64, 1000, 0}},
    {"Default", Limits{}},
    {"OneLength", Limits{1, 64, 2}},
    {"OneProbe", Limits{1000, 1, 1000}},
    {"ThreeProbes", Limits{1000, 3, 1000}},
    {"GramsOnly", Limits{0, 64, 2, 1000}},
    {"GramsThenAutomaton", Limits{0, 64, 2, 1, 64}},
    {"AutomatonOnly", Limits{0, 64, 2, 0}},
    {"SortedOnly", Limits{8, 64, 2, 16, 1 << 16, 0}},
    {"AutomatonThenSorted", Limits{0, 64, 2, 0, 0, 1 << 19}},
};
// clang-format on

// Few letters make many repeats; tabs (in the last three) appear inside
// names and the caller's text.
const char* const kAlphabets[] = {"ab.", "ab.\t", "abcdefghij.\t", nullptr /* every byte */};

class Generator {
public:
    Generator(unsigned seed, const char* alphabet) : rng_(seed), alphabet_(alphabet) {}

    std::size_t Below(std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng_);
    }

    std::string Text(std::size_t length) {
        std::string text;
        std::size_t letters = alphabet_ ? std::char_traits<char>::length(alphabet_) : 256;
        for (std::size_t i = 0; i < length; ++i)
            text.push_back(alphabet_ ? alphabet_[Below(letters)] : static_cast<char>(Below(256)));
        return text;
    }

    // A question: fresh text, a piece of the listing (across entries too),
    // a whole earlier entry, a near miss, or a long one.
    std::string Question(const std::string& listing, const std::vector<std::string>& entries) {
        switch (Below(6)) {
            case 0:
                return Text(1 + Below(12));
            case 1:
            case 2: {
                if (listing.empty()) break;
                std::size_t from = Below(listing.size());
                return listing.substr(from,
                                      1 + Below(std::min<std::size_t>(16, listing.size() - from)));
            }
            case 3:
                if (!entries.empty()) return entries[Below(entries.size())];
                break;
            case 4: {
                if (listing.empty()) break;
                std::string miss = listing.substr(Below(listing.size()), 1 + Below(12));
                miss[Below(miss.size())] ^= 1;
                return miss;
            }
            default:
                return Text(20 + Below(280));
        }
        return Text(1 + Below(4));
    }

private:
    std::mt19937 rng_;
    const char* alphabet_;
};

class SubstringIndexAgrees : public ::testing::TestWithParam<std::tuple<LimitsCase, const char*>> {
};

// The index against a plain search, on a string that grows as a listing
// does (names and tabs) and as a caller's text may (anything).
TEST_P(SubstringIndexAgrees, WithAPlainSearchWhileTheStringGrows) {
    const auto& [limits, alphabet] = GetParam();
    for (unsigned seed = 1; seed <= 6; ++seed) {
        Generator gen(seed, alphabet);
        std::string listing = gen.Text(gen.Below(3) * 20);  // the caller's text, if any
        textsearch::SubstringIndex index(listing, limits.limits);
        std::vector<std::string> entries;
        for (int round = 0; round < 500; ++round) {
            std::string question = gen.Question(listing, entries);
            bool expected = listing.find(question) != std::string::npos;
            ASSERT_EQ(index.Contains(question), expected)
                << "seed " << seed << " round " << round << " question of " << question.size();
            if (gen.Below(10) == 0) {
                listing += gen.Text(gen.Below(30));
            } else if (!expected) {
                listing += question + '\t';
                entries.push_back(question);
            }
        }
    }
}

std::string IndexCaseName(const ::testing::TestParamInfo<SubstringIndexAgrees::ParamType>& info) {
    static const char* const kAlphabetNames[] = {"NoTabs", "FewLetters", "Letters", "AllBytes"};
    return std::string(std::get<0>(info.param).name) + "_" + kAlphabetNames[info.index % 4];
}

INSTANTIATE_TEST_SUITE_P(Paths, SubstringIndexAgrees,
                         ::testing::Combine(::testing::ValuesIn(kLimits),
                                            ::testing::ValuesIn(kAlphabets)),
                         IndexCaseName);

TEST(SubstringIndex, HandlesEveryByteValue) {
    std::string text;
    textsearch::SubstringIndex index(text);
    for (int b = 255; b >= 0; --b) text.push_back(static_cast<char>(b));
    EXPECT_TRUE(index.Contains(std::string("\x01\x00", 2)));
    EXPECT_FALSE(index.Contains(std::string("\x00\x01", 2)));
    EXPECT_TRUE(index.Contains(""));
    EXPECT_FALSE(index.Contains(text + "x"));
}

// A window table sees only what was appended since its last question.
TEST(SubstringIndex, FindsWindowsThatStraddleEarlierAppends) {
    std::string text = "abc";
    textsearch::SubstringIndex index(text);
    EXPECT_FALSE(index.Contains("cde"));
    text += "de";
    EXPECT_TRUE(index.Contains("cde"));
    text += "\tf";
    EXPECT_FALSE(index.Contains("def"));
    EXPECT_TRUE(index.Contains("de\tf"));
}

}  // namespace
