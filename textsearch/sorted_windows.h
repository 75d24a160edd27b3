// Substring questions of up to Window() bytes on a growing text, in little
// memory whatever the text: the positions of the text, sorted by the window
// of Window() bytes that starts at each. A question occurs where it is a
// prefix of some window, found by binary search.
//
// Positions are sorted a block at a time and blocks are merged two of equal
// size at a time, so that a text of n bytes costs O(n log n) comparisons of
// at most Window() bytes and a question one binary search per run (at most
// log2 of n over the block size of them). Positions whose windows are equal
// are kept once, which shrinks a text made of repeats. The last positions,
// whose windows are not complete yet or that do not fill a block, are
// searched directly. A bit set of the text's 4-byte grams, hashed, rules out
// at once most questions that hold a gram the text lacks.
//
// Memory: 2 MiB for the grams, at most 4 bytes per position, and as much
// again for the run being merged. Positions are 32-bit: texts up to
// kMaxText bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace textsearch {

class SortedWindows {
public:
    static constexpr std::size_t kMaxText = 0xFFFFFFFFu;

    explicit SortedWindows(std::size_t window);

    std::size_t Window() const { return window_; }
    std::size_t MemoryBytes() const;

    // Sorts in the positions that complete a block since the previous call;
    // text must only have grown, and stay within kMaxText. May throw
    // std::bad_alloc.
    void CatchUp(std::string_view text);

    // Whether question (1 to Window() bytes) occurs in text as of the last
    // CatchUp.
    bool Contains(std::string_view text, std::string_view question) const;

private:
    using Run = std::vector<std::uint32_t>;

    void AddBlock(std::string_view text);
    Run Merge(std::string_view text, const Run& older, const Run& newer) const;
    static std::uint32_t GramBit(const char* at);
    bool MayContain(std::string_view question) const;

    std::size_t window_;
    std::vector<Run> runs_;  // each sorted by window; sizes fall from first to last
    std::size_t next_ = 0;   // first position in no run
    std::vector<std::uint64_t> grams_;
    std::size_t nextGram_ = 0;  // first position whose gram is not in grams_
};

}  // namespace textsearch
