#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "textsearch/substring_index.h"

namespace {

// A deterministic stream of bytes: a linear congruential generator's high bits.
struct Lcg {
    std::uint32_t state;
    std::size_t Below(std::size_t n) {
        state = state * 1103515245u + 12345u;
        return (std::uint64_t{state >> 8} * n) >> 24;
    }
};

std::string Letters(Lcg& lcg, std::size_t length, const char* alphabet, std::size_t letters) {
    std::string text;
    while (text.size() < length) text.push_back(alphabet[lcg.Below(letters)]);
    return text;
}

struct Shape {
    const char* name;
    std::size_t callerText;  // tab-free bytes in the listing before the first name
    std::string (*next)(Lcg&, int, const std::string&);
};

// clang-format off
const Shape kShapes[] = {
    {"RepeatedText", 0, [](Lcg&, int i, const std::string&) {
        return std::string(1 + i * 7 % 259, 'a') + std::string(i / 259 % 3, 'b') + ".b"; }},
    {"OneLongLine", 96 << 10, [](Lcg& lcg, int, const std::string& listing) {
        std::string name = listing.substr(lcg.Below(listing.size() - 300), 1 + lcg.Below(259));
        if (lcg.Below(2)) name[lcg.Below(name.size())] ^= 1;
        return name; }},
    {"ManyShortNames", 0, [](Lcg& lcg, int i, const std::string&) {
        return Letters(lcg, i % 2 ? 1 + lcg.Below(6) : 12, "ab.", i % 2 ? 3 : 2); }},
    {"MaximalNames", 0, [](Lcg& lcg, int i, const std::string&) {
        std::string name(259, i % 2 ? 'x' : 'a');
        name[lcg.Below(259)] = static_cast<char>(lcg.Below(256));
        return name; }},
};
// clang-format on

// The listing's duplicate test on hostile listings, in a budget of 256 KiB
// that forces every hand-over, against a plain search; past the budget the
// index holds only its 2 MiB of grams and a few bytes per listing byte.
TEST(SubstringIndexOnHostileListings, AgreesWithAPlainSearchWithinItsMemory) {
    constexpr std::size_t kBudget = 256 << 10;
    for (const Shape& shape : kShapes) {
        Lcg lcg{7};
        std::string listing = Letters(lcg, shape.callerText, "ab", 2);
        textsearch::SubstringIndex index(listing, {8, 64, 2, 16, 1 << 16, kBudget});
        for (int i = 0; listing.size() < (128 << 10) && i < 20000; ++i) {
            std::string name = shape.next(lcg, i, listing);
            bool expected = listing.find(name) != std::string::npos;
            ASSERT_EQ(index.Contains(name), expected) << shape.name << " name " << i;
            ASSERT_LE(index.MemoryBytes(), kBudget + (2 << 20) + 8 * listing.size() + 4096)
                << shape.name;
            if (!expected) listing += name + '\t';
        }
    }
}

}  // namespace
