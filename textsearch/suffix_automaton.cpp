#include "textsearch/suffix_automaton.h"

#include <algorithm>
#include <iterator>

namespace textsearch {

namespace {

constexpr std::int32_t kNone = -1;

}  // namespace

SuffixAutomaton::SuffixAutomaton() {
    std::fill(std::begin(rootEdges_), std::end(rootEdges_), kNone);
    states_.push_back({0, kNone, kNone, 0, {}, {}});
}

std::int32_t SuffixAutomaton::Find(std::int32_t state, unsigned char byte) const {
    if (state == 0) return rootEdges_[byte];
    const State& s = states_[state];
    for (int i = 0; i < s.count; ++i)
        if (s.bytes[i] == byte) return s.targets[i];
    for (std::int32_t e = s.firstEdge; e != kNone; e = edges_[e].next)
        if (edges_[e].byte == byte) return edges_[e].target;
    return kNone;
}

void SuffixAutomaton::SetOrAdd(std::int32_t state, unsigned char byte, std::int32_t target) {
    if (state == 0) {
        rootEdges_[byte] = target;
        return;
    }
    State& s = states_[state];
    for (int i = 0; i < s.count; ++i) {
        if (s.bytes[i] == byte) {
            s.targets[i] = target;
            return;
        }
    }
    for (std::int32_t e = s.firstEdge; e != kNone; e = edges_[e].next) {
        if (edges_[e].byte == byte) {
            edges_[e].target = target;
            return;
        }
    }
    if (s.count < kInline) {
        s.bytes[s.count] = byte;
        s.targets[s.count] = target;
        ++s.count;
        return;
    }
    edges_.push_back({target, s.firstEdge, byte});
    s.firstEdge = static_cast<std::int32_t>(edges_.size() - 1);
}

std::int32_t SuffixAutomaton::Clone(std::int32_t state, std::int32_t length) {
    std::int32_t copy = static_cast<std::int32_t>(states_.size());
    State twin = states_[state];  // inline transitions come along
    twin.length = length;
    twin.firstEdge = kNone;
    states_.push_back(twin);
    for (std::int32_t e = states_[state].firstEdge; e != kNone; e = edges_[e].next) {
        Edge edge = edges_[e];  // copied: push_back may move the array
        edges_.push_back({edge.target, states_[copy].firstEdge, edge.byte});
        states_[copy].firstEdge = static_cast<std::int32_t>(edges_.size() - 1);
    }
    return copy;
}

void SuffixAutomaton::Extend(unsigned char byte) {
    std::int32_t cur = static_cast<std::int32_t>(states_.size());
    states_.push_back({states_[last_].length + 1, 0, kNone, 0, {}, {}});
    std::int32_t p = last_;
    while (p != kNone && Find(p, byte) == kNone) {
        SetOrAdd(p, byte, cur);
        p = states_[p].link;
    }
    last_ = cur;
    if (p == kNone) return;  // link stays at the root
    std::int32_t q = Find(p, byte);
    if (states_[p].length + 1 == states_[q].length) {
        states_[cur].link = q;
        return;
    }
    std::int32_t copy = Clone(q, states_[p].length + 1);
    while (p != kNone && Find(p, byte) == q) {
        SetOrAdd(p, byte, copy);
        p = states_[p].link;
    }
    states_[q].link = copy;
    states_[cur].link = copy;
}

void SuffixAutomaton::Append(std::string_view text) {
    for (char c : text) Extend(static_cast<unsigned char>(c));
}

bool SuffixAutomaton::Contains(std::string_view text) const {
    std::int32_t state = 0;
    for (char c : text) {
        state = Find(state, static_cast<unsigned char>(c));
        if (state == kNone) return false;
    }
    return true;
}

}  // namespace textsearch
