#include "textsearch/suffix_automaton.h"

#include <algorithm>
#include <iterator>

namespace textsearch {

namespace {

constexpr std::int32_t kNone = -1;

}  // namespace

SuffixAutomaton::SuffixAutomaton() {
    std::fill(std::begin(rootEdges_), std::end(rootEdges_), kNone);
    states_.push_back({0, kNone, kNone, 0, 0, 0});
}

std::size_t SuffixAutomaton::MemoryBytes() const {
    return states_.capacity() * sizeof(State) + more_.MemoryBytes() + sizeof rootEdges_ +
           sizeof rootSolid_;
}

std::int32_t SuffixAutomaton::Find(std::int32_t state, unsigned char byte, bool* solid) const {
    if (state == 0) {
        *solid = rootSolid_[byte];
        return rootEdges_[byte];
    }
    const State& s = states_[state];
    if ((s.flags & kInline) && s.byte == byte) {
        *solid = (s.flags & kInlineSolid) != 0;
        return s.target;
    }
    TransitionTable::Entry entry{};
    if (!(s.flags & kMore) || !more_.Find(state, byte, &entry)) return kNone;
    *solid = entry.solid;
    return entry.target;
}

// Adds or redirects the transition. Targets are the newest state or a fresh
// clone, both just written, so reading their length costs little.
void SuffixAutomaton::Set(std::int32_t state, unsigned char byte, std::int32_t target) {
    const bool solid = states_[state].length + 1 == states_[target].length;
    if (state == 0) {
        rootEdges_[byte] = target;
        rootSolid_[byte] = solid;
        return;
    }
    State& s = states_[state];
    if (!(s.flags & kInline) || s.byte == byte) {
        s.byte = byte;
        s.target = target;
        s.flags =
            static_cast<unsigned char>((s.flags & kMore) | kInline | (solid ? kInlineSolid : 0));
        return;
    }
    if ((s.flags & kMore) && more_.Retarget(state, byte, target, solid)) return;
    more_.Add(state, byte, {target, solid, (s.flags & kMore) != 0, s.firstMore});
    s.firstMore = byte;
    s.flags |= kMore;
}

// The copy is shorter than the original, so none of its transitions is
// solid: each leads to a state at least as long as the original plus one.
std::int32_t SuffixAutomaton::Clone(std::int32_t state, std::int32_t length) {
    const std::int32_t copy = static_cast<std::int32_t>(states_.size());
    State twin = states_[state];
    twin.length = length;
    twin.flags &= kInline;
    states_.push_back(twin);
    if (!(states_[state].flags & kMore)) return copy;
    TransitionTable::Entry entry{};
    for (unsigned char byte = states_[state].firstMore;; byte = entry.next) {
        more_.Find(state, byte, &entry);
        more_.Add(
            copy, byte,
            {entry.target, false, (states_[copy].flags & kMore) != 0, states_[copy].firstMore});
        states_[copy].firstMore = byte;
        states_[copy].flags |= kMore;
        if (!entry.hasNext) break;
    }
    return copy;
}

void SuffixAutomaton::Extend(unsigned char byte) {
    const std::int32_t cur = static_cast<std::int32_t>(states_.size());
    states_.push_back({states_[last_].length + 1, 0, kNone, 0, 0, 0});
    std::int32_t p = last_;
    std::int32_t q = kNone;
    bool solid = false;
    while (p != kNone && (q = Find(p, byte, &solid)) == kNone) {
        Set(p, byte, cur);
        p = states_[p].link;
    }
    last_ = cur;
    if (p == kNone) return;  // link stays at the root
    if (solid) {
        states_[cur].link = q;
        return;
    }
    const std::int32_t copy = Clone(q, states_[p].length + 1);
    bool ignored = false;
    while (p != kNone && Find(p, byte, &ignored) == q) {
        Set(p, byte, copy);
        p = states_[p].link;
    }
    states_[q].link = copy;
    states_[cur].link = copy;
}

void SuffixAutomaton::Append(std::string_view text) {
    for (char c : text) Extend(static_cast<unsigned char>(c));
    size_ += text.size();
}

bool SuffixAutomaton::Contains(std::string_view text) const {
    std::int32_t state = 0;
    bool ignored = false;
    for (char c : text) {
        state = Find(state, static_cast<unsigned char>(c), &ignored);
        if (state == kNone) return false;
    }
    return true;
}

}  // namespace textsearch
