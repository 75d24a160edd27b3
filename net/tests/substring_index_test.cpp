#include "net/substring_index.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

TEST(SubstringIndex, AgreesWithAPlainSearchWhileGrowing) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> byte(0, 3);  // small alphabet: many repeats
    std::uniform_int_distribution<int> len(0, 9);
    net::SubstringIndex index;
    std::string text;
    for (int round = 0; round < 400; ++round) {
        std::string piece;
        for (int i = len(rng); i > 0; --i) piece.push_back(static_cast<char>('a' + byte(rng)));
        for (int q = 0; q < 20; ++q) {
            std::string probe;
            for (int i = len(rng); i > 0; --i) probe.push_back(static_cast<char>('a' + byte(rng)));
            ASSERT_EQ(index.Contains(probe), text.find(probe) != std::string::npos)
                << "text=" << text << " probe=" << probe;
        }
        index.Append(piece);
        text += piece;
    }
}

TEST(SubstringIndex, HandlesEveryByteValue) {
    net::SubstringIndex index;
    std::string text;
    for (int b = 255; b >= 0; --b) text.push_back(static_cast<char>(b));
    index.Append(text);
    EXPECT_TRUE(index.Contains(std::string("\x01\x00", 2)));
    EXPECT_FALSE(index.Contains(std::string("\x00\x01", 2)));
    EXPECT_TRUE(index.Contains(""));
}

}  // namespace
