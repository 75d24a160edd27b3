// Which strings of one, two or three bytes occur in a growing text: one bit
// for each possible string, set as the text grows (8 KiB for the first two
// lengths, 2 MiB for three). Exact, one memory access per question.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace textsearch {

class ShortGrams {
public:
    static constexpr std::size_t kLongest = 3;

    ShortGrams();

    // Adds the strings that end in what was appended since the previous
    // call; text must only have grown. May throw std::bad_alloc.
    void CatchUp(std::string_view text);

    // question: 1 to kLongest bytes.
    bool Contains(std::string_view question) const;

    std::size_t MemoryBytes() const;

private:
    static void Set(std::vector<std::uint64_t>& bits, std::uint32_t at) {
        bits[at >> 6] |= std::uint64_t{1} << (at & 63);
    }

    std::vector<std::uint64_t> bits_[kLongest];  // by length - 1
    std::size_t next_ = 0;                       // first byte not yet added
};

}  // namespace textsearch
