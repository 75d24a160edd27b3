// Every step-th position of a growing text (the samples), filed under the
// gram (the next 4 or 8 bytes) that starts there: a hash table of buckets,
// each with the newest sample of its chain and a count, and one link per
// sample to the one before it in the same bucket. Filing a sample is one
// bucket update and one sequential write, which is what makes it cheap
// enough to file every byte, or every few bytes, of a listing.
//
// Find answers "does this question occur?" for questions of at least
// MinQuestion() bytes: an occurrence holds a sample at one of the first
// step offsets, and its grams at that offset plus multiples of step. For
// each such phase, an empty bucket among those grams rules it out;
// otherwise the shortest chain among them is walked and each candidate is
// compared. The walk is charged to a caller's budget, since a text built of
// repeats can make every chain long; Find then gives up and says so.
//
// Samples are 32-bit: texts up to kMaxText bytes. Memory: a table of
// 8-byte buckets, 512 KiB at first and later at most one bucket per sample,
// plus 8 bytes of links per sample with the vector's slack.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace textsearch {

enum class GramAnswer { kAbsent, kPresent, kGaveUp };

class GramChain {
public:
    static constexpr std::size_t kMaxText = 0xFFFFFFFEu;

    // gramLength: 4 or 8; step: 1 or more.
    GramChain(std::size_t gramLength, std::size_t step) : gram_(gramLength), step_(step) {}

    std::size_t MinQuestion() const { return gram_ + step_ - 1; }
    std::size_t MemoryBytes() const;

    // Files the positions whose gram ended in what was appended since the
    // previous call; text must only have grown, and stay within kMaxText.
    // May throw std::bad_alloc.
    void CatchUp(std::string_view text);

    // Whether question (at least MinQuestion() bytes) occurs in text as of
    // the last CatchUp. Each candidate compared costs one unit of *budget,
    // and each one that matches the gram the question's length more.
    GramAnswer Find(std::string_view text, std::string_view question, std::size_t* budget) const;

private:
    struct Bucket {
        std::uint32_t newest;  // sample + 1; 0 for none
        std::uint32_t count;   // samples filed here, other grams' too
    };

    std::uint64_t Gram(const char* at) const;
    std::size_t Home(std::uint64_t gram) const;
    void File(const char* text, std::uint32_t sample);
    void FileRange(const char* text, std::size_t from, std::size_t to);
    void Refile(const char* text, std::size_t wanted);
    GramAnswer FindInPhase(std::string_view text, std::string_view question, std::size_t phase,
                           std::size_t* budget) const;

    std::size_t gram_;
    std::size_t step_;
    int shift_ = 64;
    std::vector<Bucket> buckets_;
    std::vector<std::uint32_t> older_;  // per sample: the previous one in its bucket, + 1
};

}  // namespace textsearch
