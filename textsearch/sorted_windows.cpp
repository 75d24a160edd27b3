#include "textsearch/sorted_windows.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace textsearch {

namespace {

// Short enough that the direct search of what no run holds stays cheap, long
// enough that runs are few.
constexpr std::size_t kBlock = 1024;
constexpr int kGramBits = 24;
constexpr std::size_t kGram = 4;

}  // namespace

SortedWindows::SortedWindows(std::size_t window)
    : window_(window), grams_((std::size_t{1} << kGramBits) / 64, 0) {}

std::uint32_t SortedWindows::GramBit(const char* at) {
    std::uint32_t gram;
    std::memcpy(&gram, at, sizeof gram);
    return (gram * 0x9E3779B1u) >> (32 - kGramBits);
}

bool SortedWindows::MayContain(std::string_view question) const {
    for (std::size_t i = 0; i + kGram <= question.size(); ++i) {
        const std::uint32_t bit = GramBit(question.data() + i);
        if (!((grams_[bit >> 6] >> (bit & 63)) & 1)) return false;
    }
    return true;
}

std::size_t SortedWindows::MemoryBytes() const {
    std::size_t bytes = runs_.capacity() * sizeof(Run) + grams_.capacity() * sizeof(std::uint64_t);
    for (const Run& run : runs_) bytes += run.capacity() * sizeof(std::uint32_t);
    return bytes;
}

void SortedWindows::CatchUp(std::string_view text) {
    for (; nextGram_ + kGram <= text.size(); ++nextGram_) {
        const std::uint32_t bit = GramBit(text.data() + nextGram_);
        grams_[bit >> 6] |= std::uint64_t{1} << (bit & 63);
    }
    while (text.size() - next_ >= kBlock + window_) AddBlock(text);
}

// Runs behave as a binary counter: a new block merges with the last run
// while that one is not larger, so there are at most log2(n / kBlock) runs.
void SortedWindows::AddBlock(std::string_view text) {
    const char* base = text.data();
    const std::size_t window = window_;
    auto less = [base, window](std::uint32_t a, std::uint32_t b) {
        return std::memcmp(base + a, base + b, window) < 0;
    };
    auto equal = [base, window](std::uint32_t a, std::uint32_t b) {
        return std::memcmp(base + a, base + b, window) == 0;
    };
    Run block(kBlock);
    for (std::size_t i = 0; i < kBlock; ++i) block[i] = static_cast<std::uint32_t>(next_ + i);
    std::sort(block.begin(), block.end(), less);
    block.erase(std::unique(block.begin(), block.end(), equal), block.end());
    next_ += kBlock;
    while (!runs_.empty() && runs_.back().size() <= block.size() * 2) {
        block = Merge(text, runs_.back(), block);
        runs_.pop_back();
    }
    block.shrink_to_fit();
    runs_.push_back(std::move(block));
}

// Equal windows in the two runs are kept once.
SortedWindows::Run SortedWindows::Merge(std::string_view text, const Run& older,
                                        const Run& newer) const {
    Run merged;
    merged.reserve(older.size() + newer.size());
    auto a = older.begin();
    auto b = newer.begin();
    while (a != older.end() && b != newer.end()) {
        int order = std::memcmp(text.data() + *a, text.data() + *b, window_);
        if (order <= 0) merged.push_back(*a++);
        if (order > 0) merged.push_back(*b);
        if (order >= 0) ++b;
    }
    merged.insert(merged.end(), a, older.end());
    merged.insert(merged.end(), b, newer.end());
    return merged;
}

bool SortedWindows::Contains(std::string_view text, std::string_view question) const {
    const char* base = text.data();
    const std::size_t size = question.size();
    if (!MayContain(question)) return false;
    for (const Run& run : runs_) {
        auto at = std::lower_bound(run.begin(), run.end(), question,
                                   [base, size](std::uint32_t p, std::string_view q) {
                                       return std::memcmp(base + p, q.data(), size) < 0;
                                   });
        if (at != run.end() && std::memcmp(base + *at, question.data(), size) == 0) return true;
    }
    return text.substr(next_).find(question) != std::string_view::npos;
}

}  // namespace textsearch
