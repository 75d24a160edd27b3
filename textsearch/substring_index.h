// Answers "does this text occur anywhere in the observed string as it now
// reads?", for the folder listing's duplicate test, which a plain search
// would make quadratic on pages with many links. The string belongs to the
// caller, who may only append to it while the index lives.
//
// Four structures, each built lazily, only when a question needs it, and
// each handing over to a later one for good:
// - per asked length, a WindowTable of the tab-free windows of that length:
//   one hash and about one probe per question, and, when the names have
//   one length, about one window per listed name; it answers tab-free
//   questions of up to 259 bytes;
// - a gram index of every position of the string: a few memory accesses per
//   byte and per question, whatever the lengths and the bytes, but its
//   chains grow long on a string made of repeats;
// - a SuffixAutomaton of the whole string: linear whatever the input, with
//   each transition found in constant time, but each byte costs it
//   scattered memory accesses (several times the gram index's) and up to
//   128 bytes of memory;
// - SortedWindows, the string's positions sorted by their next 259 bytes:
//   a few bytes per byte whatever the string, at a binary search per run
//   (a dozen or so) for each question.
// The gram index takes over at the first question that has a tab, is
// longer than 259 bytes, or has a length beyond the first limits.lengths
// ones; when a table gives up (it would need probe sequences longer than
// limits.probes); and when the tables together have hashed more than
// limits.windowsPerByte windows per byte of the string (names of many
// lengths: every table hashes the windows of every longer name). The
// automaton takes over when the gram index's chain walks have compared more
// than limits.comparesPerByte bytes per byte of the string (0: never use
// the gram index). So time stays linear in the string and the questions.
// Whichever structure would hold more than limits.memoryBytes (the
// automaton: half of it) hands over to the sorted windows instead (the
// tables to the gram index first), so
// that the index holds at most about that much whatever the string; past
// it, questions of more than 259 bytes are searched in the string itself.
// Memory otherwise, for the one structure alive at a time: at most 32 bytes
// per hashed window for the tables; 3 MiB plus at most 20 bytes per byte of
// the string for the gram index; 128 bytes per byte (43 to 66 in practice)
// for the automaton; 2 MiB plus at most 8 bytes per byte for the sorted
// windows.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "textsearch/gram_chain.h"
#include "textsearch/short_grams.h"
#include "textsearch/sorted_windows.h"
#include "textsearch/suffix_automaton.h"
#include "textsearch/window_table.h"

namespace textsearch {

class SubstringIndex {
public:
    struct Limits {
        std::size_t lengths = 8;
        int probes = 64;
        std::size_t windowsPerByte = 2;
        std::size_t comparesPerByte = 16;
        std::size_t compareAllowance = 1 << 16;  // on top of the bytes' share
        std::size_t memoryBytes = std::size_t{96} << 20;
    };

    explicit SubstringIndex(const std::string& text) : text_(text) {}
    SubstringIndex(const std::string& text, Limits limits) : limits_(limits), text_(text) {}

    // Not const: the structures catch up with the string here. May throw
    // std::bad_alloc.
    bool Contains(std::string_view text);

    // Bytes held by the structures built so far.
    std::size_t MemoryBytes() const;

private:
    // The gram index: the strings of one to three bytes exactly, from bits;
    // longer ones from the chains of every position's 4-byte gram (four to
    // ten bytes) or of every fourth position's 8-byte gram (eleven and
    // more). Most names are long: the eights answer most questions, the
    // fours few.
    struct Grams {
        ShortGrams shorts;
        GramChain fours{4, 1, 32};
        GramChain eights{8, 4, 8};
        std::size_t MemoryBytes() const {
            return shorts.MemoryBytes() + fours.MemoryBytes() + eights.MemoryBytes();
        }
    };

    WindowTable* TableFor(std::size_t length);
    bool WithinBudget() const;
    GramAnswer GramsContain(std::string_view text);
    bool AutomatonContains(std::string_view text);
    bool SortedContains(std::string_view text);
    std::size_t TablesBytes() const;

    Limits limits_;
    const std::string& text_;
    std::vector<WindowTable> tables_;  // unused once the grams exist
    std::unique_ptr<Grams> grams_;     // unused once the automaton exists
    std::size_t compared_ = 0;         // bytes the gram index's walks compared
    std::size_t gramsEnd_ = 0;         // bytes of text_ the gram index holds
    std::unique_ptr<SuffixAutomaton> automaton_;
    std::unique_ptr<SortedWindows> sorted_;  // once it exists, the only structure
};

}  // namespace textsearch
