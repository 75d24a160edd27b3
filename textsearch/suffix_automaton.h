// Answers "does this text occur anywhere in everything appended so far?" in
// time proportional to the text's length, whatever has been appended: a
// suffix automaton, grown one byte at a time in amortised constant time.
//
// Transitions are found in constant time: the root's in a direct table, each
// other state's first one in the state itself (most states have one), the
// rest in a TransitionTable keyed by (state, byte).
//
// Memory: an automaton of n bytes has at most 2n states of 16 bytes and at
// most 2n table entries (3n transitions, less the first of each of at least
// n states), at 32 bytes an entry at worst: at most 96 bytes per byte, 128
// with the growth slack of the state array. Listings and random texts of two
// to 250 letters take 50 to 66 (see MemoryBytes).
//
// Each byte costs a few scattered memory accesses, several hundred
// nanoseconds once the automaton outgrows the processor's caches; that is
// why SubstringIndex puts faster structures in front of it.
//
// States are numbered with 32-bit integers: texts up to kMaxText bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "textsearch/transition_table.h"

namespace textsearch {

class SuffixAutomaton {
public:
    static constexpr std::size_t kMaxText = (std::size_t{1} << 30) - 1;

    SuffixAutomaton();

    // Appends text (the total must stay within kMaxText). May throw
    // std::bad_alloc; the automaton is then unusable.
    void Append(std::string_view text);
    bool Contains(std::string_view text) const;

    std::size_t Size() const { return size_; }
    // Bytes held by the automaton's arrays.
    std::size_t MemoryBytes() const;

private:
    // A transition is solid when it leads to a state exactly one byte
    // longer: the automaton then needs no look at its target when it links
    // a new state, which saves a scattered memory access per byte.
    static constexpr unsigned char kInline = 1;
    static constexpr unsigned char kInlineSolid = 2;
    static constexpr unsigned char kMore = 4;  // transitions in the table

    struct State {
        std::int32_t length;
        std::int32_t link;
        std::int32_t target;  // the inline transition
        unsigned char byte;   // and its byte
        unsigned char flags;
        unsigned char firstMore;  // first byte of the table's list
    };

    std::int32_t Find(std::int32_t state, unsigned char byte, bool* solid) const;
    void Set(std::int32_t state, unsigned char byte, std::int32_t target);
    std::int32_t Clone(std::int32_t state, std::int32_t length);
    void Extend(unsigned char byte);

    // The root has an edge for nearly every byte.
    std::int32_t rootEdges_[256];
    bool rootSolid_[256] = {};
    std::vector<State> states_;
    TransitionTable more_;
    std::int32_t last_ = 0;
    std::size_t size_ = 0;
};

}  // namespace textsearch
