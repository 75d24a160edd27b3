// Answers "does this text occur anywhere in the observed string as it now
// reads?", for the folder listing's duplicate test, which a plain search
// would make quadratic on pages with many links. The string belongs to the
// caller, who may only append to it while the index lives.
//
// Two structures, both filled lazily, only when a question needs them:
// - per asked length, a WindowTable of the tab-free windows of that length:
//   one hash and about one probe per question, and about one window per
//   listed name; it answers tab-free questions;
// - a SuffixAutomaton of the whole text: linear whatever the input, but
//   several times slower; it answers questions with a tab, questions longer
//   than 259 bytes, questions of lengths beyond the first limits.lengths
//   ones, and questions of a length whose table gave up (it would have
//   needed probe sequences longer than limits.probes).
// Time stays linear in the text and the questions: the automaton, and at
// most limits.lengths tables, each looking at every window of the text
// once, at a cost proportional to its length of at most 259.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "net/suffix_automaton.h"
#include "net/window_table.h"

namespace net {

class SubstringIndex {
public:
    struct Limits {
        std::size_t lengths = 8;
        int probes = 64;
    };

    explicit SubstringIndex(const std::string& text) : text_(text) {}
    SubstringIndex(const std::string& text, Limits limits) : limits_(limits), text_(text) {}

    // Not const: the structures catch up with the string here.
    bool Contains(std::string_view text);

private:
    WindowTable* TableFor(std::size_t length);
    bool AutomatonContains(std::string_view text);

    Limits limits_;
    const std::string& text_;
    std::vector<WindowTable> tables_;
    std::unique_ptr<SuffixAutomaton> automaton_;
    std::size_t automatonEnd_ = 0;  // bytes of text_ the automaton holds
};

}  // namespace net
