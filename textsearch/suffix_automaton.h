// Answers "does this text occur anywhere in everything appended so far?" in
// time proportional to the text's length, whatever has been appended: a
// suffix automaton, grown one byte at a time in amortised constant time.
//
// Transitions are found in constant time: the root's in a direct table, each
// other state's first one in the state itself (most states have one), the
// rest in a TransitionTable keyed by (state, byte). An automaton of n bytes
// has at most 2n states and 3n transitions, so memory is bounded by about
// 100 bytes per byte (16 per state, 12 per hash slot at three eighths to
// three quarters load, and vector slack); texts seen in practice take 35 to
// 70 (see MemoryBytes). Each byte costs a few scattered memory accesses,
// which is why SubstringIndex puts faster structures in front of it.
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

    std::int32_t rootEdges_[256];  // the root has an edge for nearly every byte
    std::vector<State> states_;
    TransitionTable more_;
    std::int32_t last_ = 0;
    std::size_t size_ = 0;
};

}  // namespace textsearch
