#include "net/substring_index.h"

#include <algorithm>
#include <iterator>

namespace net {

SubstringIndex::SubstringIndex() {
    std::fill(std::begin(rootEdges_), std::end(rootEdges_), -1);
    states_.push_back({0, -1, -1});
}

std::int32_t SubstringIndex::Find(std::int32_t state, unsigned char byte) const {
    if (state == 0) return rootEdges_[byte];
    for (std::int32_t e = states_[state].firstEdge; e != -1; e = edges_[e].next)
        if (edges_[e].byte == byte) return edges_[e].target;
    return -1;
}

void SubstringIndex::SetOrAdd(std::int32_t state, unsigned char byte, std::int32_t target) {
    if (state == 0) {
        rootEdges_[byte] = target;
        return;
    }
    for (std::int32_t e = states_[state].firstEdge; e != -1; e = edges_[e].next) {
        if (edges_[e].byte == byte) {
            edges_[e].target = target;
            return;
        }
    }
    edges_.push_back({target, states_[state].firstEdge, byte});
    states_[state].firstEdge = static_cast<std::int32_t>(edges_.size() - 1);
}

std::int32_t SubstringIndex::Clone(std::int32_t state, std::int32_t length) {
    std::int32_t copy = static_cast<std::int32_t>(states_.size());
    states_.push_back({length, states_[state].link, -1});
    for (std::int32_t e = states_[state].firstEdge; e != -1; e = edges_[e].next) {
        Edge edge = edges_[e];  // copied: push_back may move the array
        edges_.push_back({edge.target, states_[copy].firstEdge, edge.byte});
        states_[copy].firstEdge = static_cast<std::int32_t>(edges_.size() - 1);
    }
    return copy;
}

void SubstringIndex::Extend(unsigned char byte) {
    std::int32_t cur = static_cast<std::int32_t>(states_.size());
    states_.push_back({states_[last_].length + 1, 0, -1});
    std::int32_t p = last_;
    while (p != -1 && Find(p, byte) == -1) {
        SetOrAdd(p, byte, cur);
        p = states_[p].link;
    }
    last_ = cur;
    if (p == -1) return;  // link stays at the root
    std::int32_t q = Find(p, byte);
    if (states_[p].length + 1 == states_[q].length) {
        states_[cur].link = q;
        return;
    }
    std::int32_t copy = Clone(q, states_[p].length + 1);
    while (p != -1 && Find(p, byte) == q) {
        SetOrAdd(p, byte, copy);
        p = states_[p].link;
    }
    states_[q].link = copy;
    states_[cur].link = copy;
}

void SubstringIndex::Append(std::string_view text) {
    for (char c : text) Extend(static_cast<unsigned char>(c));
}

bool SubstringIndex::Contains(std::string_view text) const {
    std::int32_t state = 0;
    for (char c : text) {
        state = Find(state, static_cast<unsigned char>(c));
        if (state == -1) return false;
    }
    return true;
}

}  // namespace net
