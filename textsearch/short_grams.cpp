#include "textsearch/short_grams.h"

namespace textsearch {

namespace {

std::uint32_t Byte(std::string_view text, std::size_t at) {
    return static_cast<unsigned char>(text[at]);
}

}  // namespace

ShortGrams::ShortGrams() {
    for (std::size_t length = 1; length <= kLongest; ++length)
        bits_[length - 1].assign((std::size_t{1} << (8 * length)) / 64, 0);
}

void ShortGrams::CatchUp(std::string_view text) {
    for (; next_ < text.size(); ++next_) {
        std::uint32_t code = Byte(text, next_);
        Set(bits_[0], code);
        if (next_ >= 1) Set(bits_[1], code = (Byte(text, next_ - 1) << 8) | code);
        if (next_ >= 2) Set(bits_[2], (Byte(text, next_ - 2) << 16) | code);
    }
}

bool ShortGrams::Contains(std::string_view question) const {
    std::uint32_t code = 0;
    for (char c : question) code = (code << 8) | static_cast<unsigned char>(c);
    return (bits_[question.size() - 1][code >> 6] >> (code & 63)) & 1;
}

std::size_t ShortGrams::MemoryBytes() const {
    std::size_t bytes = 0;
    for (const auto& bits : bits_) bytes += bits.capacity() * sizeof(std::uint64_t);
    return bytes;
}

}  // namespace textsearch
