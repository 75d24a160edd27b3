// Answers "does this text occur anywhere in the observed string as it now
// reads?", for the folder listing's duplicate test, which a plain search
// would make quadratic on pages with many links. The string belongs to the
// caller, who may only append to it while the index lives.
//
// Two structures, both filled lazily, only when a question needs them:
// - per asked length, a WindowTable of the tab-free windows of that length:
//   one hash and about one probe per question, and, when the names have
//   one length, about one window per listed name; it answers tab-free
//   questions of up to 259 bytes;
// - a SuffixAutomaton of the whole text: linear whatever the input, with
//   each transition found in constant time, but each byte of the string
//   costs it scattered memory accesses (tens of times the cost of the
//   tables on an ordinary page); once it is needed, it answers every
//   question.
// The automaton takes over at the first question that has a tab, is longer
// than 259 bytes, or has a length beyond the first limits.lengths ones; when
// a table gives up (it would need probe sequences longer than
// limits.probes); and when the tables together have hashed more than
// limits.windowsPerByte windows per byte of the string (names of many
// lengths: every table hashes the windows of every longer name). So time
// stays linear in the string and the questions, and never far above that
// of the automaton alone. Memory: at most 32 bytes per hashed window for
// the tables, and the automaton's bound (128 bytes per byte of the string;
// 50 to 66 in practice) once it has taken over.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "textsearch/suffix_automaton.h"
#include "textsearch/window_table.h"

namespace textsearch {

class SubstringIndex {
public:
    struct Limits {
        std::size_t lengths = 8;
        int probes = 64;
        std::size_t windowsPerByte = 2;
    };

    explicit SubstringIndex(const std::string& text) : text_(text) {}
    SubstringIndex(const std::string& text, Limits limits) : limits_(limits), text_(text) {}

    // Not const: the structures catch up with the string here. May throw
    // std::bad_alloc.
    bool Contains(std::string_view text);

    // Bytes held by the structures built so far.
    std::size_t MemoryBytes() const;

private:
    WindowTable* TableFor(std::size_t length);
    bool WithinBudget() const;
    bool AutomatonContains(std::string_view text);

    Limits limits_;
    const std::string& text_;
    std::vector<WindowTable> tables_;  // unused once the automaton exists
    std::unique_ptr<SuffixAutomaton> automaton_;
    std::size_t automatonEnd_ = 0;  // bytes of text_ the automaton holds
};

}  // namespace textsearch
