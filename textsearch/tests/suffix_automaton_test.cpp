#include "textsearch/suffix_automaton.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <string_view>

namespace {

struct AutomatonCase {
    const char* name;
    std::string (*make)(std::size_t length);
};

std::string Letters(std::size_t length, int letters, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> pick(0, letters - 1);
    std::string text;
    for (std::size_t i = 0; i < length; ++i) text.push_back(static_cast<char>(1 + pick(rng)));
    return text;
}

// Each shape stresses another part: states with hundreds of transitions,
// long chains of clones, long runs of one byte, every byte value.
// clang-format off
const AutomatonCase kTexts[] = {
    {"TwoLetters", [](std::size_t n) { return Letters(n, 2, 1); }},
    {"TwoHundredFiftyBytes", [](std::size_t n) { return Letters(n, 250, 2); }},
    {"OneByteRun", [](std::size_t n) { return std::string(n, 'a'); }},
    {"FibonacciWord", [](std::size_t n) {
        std::string a = "a", b = "ab";
        while (b.size() < n) { std::string c = b + a; a = b; b = c; }
        return b.substr(0, n);
    }},
    {"EveryByteRepeated", [](std::size_t n) {
        std::string text;
        for (std::size_t i = 0; i < n; ++i) text.push_back(static_cast<char>((i * 7) % 256));
        return text;
    }},
};
// clang-format on

class SuffixAutomatonTexts : public ::testing::TestWithParam<AutomatonCase> {};

// Grown in pieces of uneven size; after each, pieces of the text so far,
// the same with one byte changed, and texts running past its end are asked.
TEST_P(SuffixAutomatonTexts, AgreesWithAPlainSearchWhileGrowing) {
    const std::string text = GetParam().make(40000);
    std::mt19937 rng(7);
    textsearch::SuffixAutomaton automaton;
    std::size_t end = 0;
    while (end < text.size()) {
        std::size_t piece = std::min<std::size_t>(1 + rng() % 3000, text.size() - end);
        automaton.Append(std::string_view(text).substr(end, piece));
        end += piece;
        const std::string_view seen(text.data(), end);
        for (int q = 0; q < 200; ++q) {
            std::size_t from = rng() % end;
            std::string question(seen.substr(from, 1 + rng() % 40));
            if (q % 2) question[rng() % question.size()] ^= static_cast<char>(1 + rng() % 255);
            if (q % 7 == 0) question = std::string(text.substr(from, end - from + 1 + rng() % 3));
            ASSERT_EQ(automaton.Contains(question), seen.find(question) != std::string_view::npos)
                << "after " << end << " bytes, question of " << question.size();
        }
    }
    EXPECT_EQ(automaton.Size(), text.size());
    EXPECT_TRUE(automaton.Contains(text));
    EXPECT_TRUE(automaton.Contains(""));
}

// The bound the header states, with room for the fixed tables of a start.
TEST_P(SuffixAutomatonTexts, KeepsToItsMemoryBoundPerByte) {
    const std::string text = GetParam().make(200000);
    textsearch::SuffixAutomaton automaton;
    automaton.Append(text);
    EXPECT_LE(automaton.MemoryBytes(), 128 * text.size() + 16384);
}

INSTANTIATE_TEST_SUITE_P(Shapes, SuffixAutomatonTexts, ::testing::ValuesIn(kTexts),
                         [](const ::testing::TestParamInfo<AutomatonCase>& p) {
                             return std::string(p.param.name);
                         });

}  // namespace
