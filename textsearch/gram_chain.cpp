#include "textsearch/gram_chain.h"

#include <cstring>

namespace textsearch {

namespace {

constexpr int kFirstLog2 = 16;
// Samples per bucket before the table grows, and how much it grows, up to
// a table that still fits the processor's last-level cache; beyond it
// longer chains cost less than misses on every sample filed.
constexpr std::size_t kMaxLoad = 8;
constexpr int kGrowthLog2 = 3;
constexpr int kLastLog2 = kFirstLog2 + kGrowthLog2;
// A chain this short is cheaper to walk than looking at more grams.
constexpr std::uint32_t kShortChain = 2;

}  // namespace

std::size_t GramChain::MemoryBytes() const {
    return buckets_.capacity() * sizeof(Bucket) + older_.capacity() * sizeof(std::uint32_t);
}

std::uint64_t GramChain::Gram(const char* at) const {
    if (gram_ == 8) {
        std::uint64_t word;
        std::memcpy(&word, at, sizeof word);
        return word;
    }
    std::uint32_t word;
    std::memcpy(&word, at, sizeof word);
    return word;
}

// Fibonacci hashing: the high bits of the product depend on every byte.
std::size_t GramChain::Home(std::uint64_t gram) const {
    return static_cast<std::size_t>((gram * 0x9E3779B97F4A7C15ull) >> shift_);
}

void GramChain::File(const char* text, std::uint32_t sample) {
    Bucket& bucket = buckets_[Home(Gram(text + std::size_t{sample} * step_))];
    older_[sample] = bucket.newest;
    bucket.newest = sample + 1;
    ++bucket.count;
}

// Buckets are scattered over a table larger than the caches: fetching the
// bucket a few samples ahead keeps several misses in flight.
void GramChain::FileRange(const char* text, std::size_t from, std::size_t to) {
    constexpr std::size_t kAhead = 16;
    for (std::size_t sample = from; sample < to; ++sample) {
        if (sample + kAhead < to)
            __builtin_prefetch(&buckets_[Home(Gram(text + (sample + kAhead) * step_))], 1);
        File(text, static_cast<std::uint32_t>(sample));
    }
}

// Several samples share a bucket, which keeps the table small enough for
// the caches and chains short; the table grows eightfold, and every sample
// is filed again, as the text grows, which costs a constant per sample
// overall.
void GramChain::Refile(const char* text, std::size_t wanted) {
    int log2 = kFirstLog2;
    while ((std::size_t{kMaxLoad} << log2) < wanted && log2 < kLastLog2) log2 += kGrowthLog2;
    buckets_.assign(std::size_t{1} << log2, Bucket{0, 0});
    shift_ = 64 - log2;
    FileRange(text, 0, older_.size());
}

void GramChain::CatchUp(std::string_view text) {
    if (text.size() < gram_) return;
    const std::size_t samples = (text.size() - gram_) / step_ + 1;
    if (samples <= older_.size()) return;
    if (buckets_.empty() ||
        (samples > kMaxLoad * buckets_.size() && buckets_.size() < (std::size_t{1} << kLastLog2)))
        Refile(text.data(), samples);
    std::size_t filed = older_.size();
    older_.resize(samples);
    FileRange(text.data(), filed, samples);
}

GramAnswer GramChain::Find(std::string_view text, std::string_view question,
                           std::size_t* budget) const {
    if (question.size() > text.size() || buckets_.empty()) return GramAnswer::kAbsent;
    for (std::size_t phase = 0; phase < step_; ++phase) {
        GramAnswer answer = FindInPhase(text, question, phase, budget);
        if (answer != GramAnswer::kAbsent) return answer;
    }
    return GramAnswer::kAbsent;
}

// The occurrences whose sampled grams lie at offsets phase, phase + step,
// ... of the question: each of those grams is filed at its offset, so the
// rarest one gives the fewest candidates. Looking stops once looking on
// would cost more than walking the shortest chain found.
GramAnswer GramChain::FindInPhase(std::string_view text, std::string_view question,
                                  std::size_t phase, std::size_t* budget) const {
    const std::size_t last = question.size() - gram_;
    std::size_t pick = phase;
    const Bucket* best = nullptr;
    for (std::size_t offset = phase, looked = 1; offset <= last; offset += step_, ++looked) {
        const Bucket& bucket = buckets_[Home(Gram(question.data() + offset))];
        if (bucket.count == 0) return GramAnswer::kAbsent;
        if (!best || bucket.count < best->count) {
            best = &bucket;
            pick = offset;
        }
        if (best->count <= kShortChain || looked >= best->count) break;
    }
    const std::uint64_t gram = Gram(question.data() + pick);
    for (std::uint32_t link = best->newest; link != 0; link = older_[link - 1]) {
        if (*budget == 0) return GramAnswer::kGaveUp;
        --*budget;
        const std::size_t position = std::size_t{link - 1} * step_;
        if (position < pick || Gram(text.data() + position) != gram) continue;
        const std::size_t start = position - pick;
        if (start + question.size() > text.size()) continue;
        if (*budget < question.size()) return GramAnswer::kGaveUp;
        *budget -= question.size();
        if (std::memcmp(text.data() + start, question.data(), question.size()) == 0)
            return GramAnswer::kPresent;
    }
    return GramAnswer::kAbsent;
}

}  // namespace textsearch
