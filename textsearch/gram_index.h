// Substring questions of any length on a growing text, answered from the
// text's grams: the strings of one to three bytes exactly, from bits
// (ShortGrams); longer ones from the chains of every position's 4-byte gram
// (questions of four to ten bytes) or of every fourth position's 8-byte
// gram (eleven and more).
//
// Filing a byte costs a few memory accesses to tables sized to the text,
// and a question the lookups of its grams plus a walk of one chain; on text
// that varies (names of every length, random bytes) chains are short and
// most questions end at an empty bucket. Text made of repeats makes chains
// long: the walks are charged to the caller's budget, and the index gives
// up when it is spent.
//
// Memory: 3 MiB for the short strings and the chains' first tables, plus
// at most 20 bytes per byte of text for the chains. Texts up to kMaxText
// bytes.
#pragma once

#include <cstddef>
#include <string_view>

#include "textsearch/gram_chain.h"
#include "textsearch/short_grams.h"

namespace textsearch {

class GramIndex {
public:
    static constexpr std::size_t kMaxText = GramChain::kMaxText;

    // Files what was appended since the previous call; text must only have
    // grown. May throw std::bad_alloc.
    void CatchUp(std::string_view text);

    // Whether question (not empty) occurs in text as of the last CatchUp;
    // see GramChain::Find for the budget.
    GramAnswer Contains(std::string_view text, std::string_view question,
                        std::size_t* budget) const;

    std::size_t MemoryBytes() const;

private:
    ShortGrams short_;
    GramChain fours_{4, 1};
    GramChain eights_{8, 4};
};

}  // namespace textsearch
