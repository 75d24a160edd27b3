// Answers "does this text occur anywhere in everything appended so far?" in
// time proportional to the text's length, whatever has been appended: a
// suffix automaton, grown one byte at a time. Memory is a few dozen bytes
// per appended byte. Linear for any input, but each byte costs several
// scattered memory accesses: SubstringIndex uses it only for the queries
// its faster window tables cannot answer.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace textsearch {

class SuffixAutomaton {
public:
    SuffixAutomaton();

    void Append(std::string_view text);
    bool Contains(std::string_view text) const;

private:
    // Most states of an automaton over text have one or two transitions:
    // the first kInline are kept in the state itself (one cache line with
    // its link), the rest in a singly linked list in edges_.
    static constexpr int kInline = 3;
    struct State {
        std::int32_t length;
        std::int32_t link;
        std::int32_t firstEdge;  // overflow list, -1 when empty
        std::uint8_t count;      // inline transitions in use
        std::uint8_t bytes[kInline];
        std::int32_t targets[kInline];
    };
    struct Edge {
        std::int32_t target;
        std::int32_t next;
        unsigned char byte;
    };

    std::int32_t Find(std::int32_t state, unsigned char byte) const;
    void SetOrAdd(std::int32_t state, unsigned char byte, std::int32_t target);
    std::int32_t Clone(std::int32_t state, std::int32_t length);
    void Extend(unsigned char byte);

    // The root has an edge for nearly every byte of the text and is reached
    // at the end of most suffix-link walks: it gets a direct table.
    std::int32_t rootEdges_[256];
    std::vector<State> states_;
    std::vector<Edge> edges_;
    std::int32_t last_ = 0;
};

}  // namespace textsearch
