#include "textsearch/gram_chain.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "textsearch/substring_index.h"

namespace {

using textsearch::GramAnswer;

constexpr std::size_t kAmple = ~std::size_t{0};
// A substring index that answers from its gram index alone, never giving up.
constexpr textsearch::SubstringIndex::Limits kGramsOnly{0, 64, 2, 1 << 20, 1 << 30};

// Deterministic text over alphabet (a linear congruential generator).
std::string Letters(std::size_t length, const std::string& alphabet, std::uint32_t seed) {
    std::string text;
    for (std::size_t i = 0; i < length; ++i) {
        seed = seed * 1103515245u + 12345u;
        text.push_back(alphabet[(seed >> 16) % alphabet.size()]);
    }
    return text;
}

std::string Repeat(const std::string& piece, std::size_t times) {
    std::string text;
    for (std::size_t i = 0; i < times; ++i) text += piece;
    return text;
}

struct TextCase {
    const char* name;
    std::string text;
};

// Texts whose chains are long (repeats), short (many letters), or cross the
// table's first doublings; and one of every byte value.
std::vector<TextCase> Texts() {
    std::string everyByte;
    for (int b = 0; b < 256; ++b) everyByte.push_back(static_cast<char>(b));
    return {
        {"OneLetter", Repeat("a", 3000)},
        {"TwoLetterRepeat", Repeat("ab\t", 2000)},
        {"FewLetters", Letters(20000, "ab.\t", 7)},
        {"ManyLetters", Letters(20000, "abcdefghijklmnopqrstuvwxyz0123456789", 11)},
        {"EveryByte", Repeat(everyByte, 30) + Letters(3000, everyByte, 3)},
    };
}

// The gram index, caught up after every append, against std::string::find on
// questions cut from the text (present), cut and changed (mostly absent),
// and at both ends.
TEST(GramIndex, AgreesWithAPlainSearchWhileTheTextGrows) {
    for (const TextCase& c : Texts()) {
        std::string text;
        textsearch::SubstringIndex index(text, kGramsOnly);
        std::uint32_t seed = 99;
        for (std::size_t cut = 0; cut < c.text.size(); cut += 997) {
            text = c.text.substr(0, cut + 997);
            for (int q = 0; q < 60; ++q) {
                seed = seed * 1103515245u + 12345u;
                std::size_t length = 1 + (seed >> 8) % 40;
                std::size_t from = (seed >> 4) % text.size();
                std::string question = text.substr(from, length);
                if (q % 2) question[(seed >> 12) % question.size()] ^= 0x21;
                if (q == 0)
                    question = text.substr(text.size() - std::min<std::size_t>(9, text.size()));
                ASSERT_EQ(index.Contains(question), text.find(question) != std::string::npos)
                    << c.name << " at " << text.size() << ": question of " << question.size();
            }
        }
    }
}

// Long enough for both chains' tables to grow (and every sample to be
// filed again) between questions.
TEST(GramIndex, AgreesAcrossTheTablesGrowth) {
    const std::string whole = Letters(2200000, "ab.\t", 13);
    std::string text;
    textsearch::SubstringIndex index(text, kGramsOnly);
    std::uint32_t seed = 5;
    for (std::size_t size : {300000u, 530000u, 2200000u}) {
        text = whole.substr(0, size);
        for (int q = 0; q < 100; ++q) {
            seed = seed * 1103515245u + 12345u;
            std::string question = text.substr((seed >> 4) % (size - 64), 4 + (seed >> 24) % 24);
            if (q % 2) question[question.size() / 2] ^= 0x21;
            ASSERT_EQ(index.Contains(question), text.find(question) != std::string::npos)
                << "at " << size << ": question of " << question.size();
        }
    }
}

TEST(GramChain, DoesNotMatchBeforeTheTextsStart) {
    const std::string text = "bcdefghijklmnop";
    textsearch::GramChain chain(8, 1, 8);
    chain.CatchUp(text);
    std::size_t budget = kAmple;
    EXPECT_EQ(chain.Find(text, "Xbcdefghij", &budget), GramAnswer::kAbsent);
    EXPECT_EQ(chain.Find(text, "ijklmnopq", &budget), GramAnswer::kAbsent);
    EXPECT_EQ(chain.Find(text, "ijklmnop", &budget), GramAnswer::kPresent);
}

// Repeats make every chain of the question long: the walk is charged and
// stops when the budget is spent. The question's grams all occur in the
// text (runs of nine a's), the question (runs of eight) does not.
TEST(GramChain, GivesUpWhenTheBudgetIsSpent) {
    const std::string text = Repeat("aaaaaaaaab", 1000);
    const std::string question = "aaaaaaaabaaaaaaaab";
    textsearch::GramChain chain(8, 1, 8);
    chain.CatchUp(text);
    std::size_t budget = 100;
    EXPECT_EQ(chain.Find(text, question, &budget), GramAnswer::kGaveUp);
    EXPECT_LT(budget, question.size());  // too little left for one more comparison
    budget = kAmple;
    EXPECT_EQ(chain.Find(text, question, &budget), GramAnswer::kAbsent);
}

// One rare gram is enough: the walk takes its chain, not the long ones.
TEST(GramChain, WalksTheRarestGramsChain) {
    const std::string text = Repeat("a", 10000) + "b";
    textsearch::GramChain chain(8, 1, 8);
    chain.CatchUp(text);
    std::size_t budget = 40;  // "aaaaaaab" occurs once: one step and one comparison
    EXPECT_EQ(chain.Find(text, Repeat("a", 20) + "b", &budget), GramAnswer::kPresent);
    budget = 1;  // "aaaaaaac" occurs nowhere
    EXPECT_EQ(chain.Find(text, Repeat("a", 20) + "c", &budget), GramAnswer::kAbsent);
}

TEST(GramIndex, MemoryStaysWithinItsBound) {
    const std::string text = Letters(1 << 20, "abcdefghij.\t", 5);
    textsearch::SubstringIndex index(text, kGramsOnly);
    EXPECT_TRUE(index.Contains(text.substr(1000, 20)));
    EXPECT_LE(index.MemoryBytes(), (std::size_t{3} << 20) + 65536 + 20 * text.size());
}

}  // namespace
