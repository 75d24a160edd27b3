#include "textsearch/window_table.h"

#include <algorithm>
#include <cstring>

namespace textsearch {

namespace {

constexpr std::size_t kInitialSlots = 64;
// Positions are stored as 32-bit numbers, plus one.
constexpr std::size_t kMaxText = 0xFFFFFFFEu;

// The finaliser of splitmix64: every input bit reaches every output bit.
std::uint64_t Mix(std::uint64_t x) {
    x ^= x >> 30;
    x *= 0xbf58476d1ce4e5b9ull;
    x ^= x >> 27;
    x *= 0x94d049bb133111ebull;
    return x ^ (x >> 31);
}

std::uint64_t Load8(const char* p) {
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

}  // namespace

WindowTable::WindowTable(std::size_t length, int maxProbes)
    : length_(length), maxProbes_(maxProbes < 1 ? 1 : maxProbes), slots_(kInitialSlots, 0) {}

// Eight bytes at a time, one multiplication each, and one full mix at the
// end; the last word may overlap the one before it, which is harmless since
// all windows of a table have the same length.
std::uint64_t WindowTable::Hash(const char* window) const {
    constexpr std::uint64_t kOdd = 0x9E3779B97F4A7C15ull;
    std::uint64_t h = length_;
    if (length_ < 8) {
        std::uint64_t word = 0;
        for (std::size_t i = 0; i < length_; ++i)
            word |= std::uint64_t{static_cast<unsigned char>(window[i])} << (8 * i);
        return Mix(h ^ word);
    }
    for (std::size_t i = 0; i + 8 < length_; i += 8) h = (h ^ Load8(window + i)) * kOdd;
    return Mix(h ^ Load8(window + length_ - 8));
}

WindowTable::Probe WindowTable::Seek(std::string_view text, const char* window, std::uint64_t hash,
                                     std::size_t* slot) const {
    const std::size_t mask = slots_.size() - 1;
    const std::uint64_t tag = hash >> 32;
    std::size_t i = static_cast<std::size_t>(tag) & mask;
    for (int probe = 0; probe < maxProbes_; ++probe, i = (i + 1) & mask) {
        std::uint64_t entry = slots_[i];
        if (entry == 0) {
            *slot = i;
            return Probe::kEmpty;
        }
        std::size_t position = static_cast<std::uint32_t>(entry) - 1;
        if (entry >> 32 == tag && std::memcmp(text.data() + position, window, length_) == 0)
            return Probe::kFound;
    }
    return Probe::kGaveUp;
}

bool WindowTable::Insert(std::string_view text, std::size_t position, std::size_t maxBytes) {
    if ((used_ + 1) * 2 > slots_.size() && !Grow(maxBytes)) return false;
    const char* window = text.data() + position;
    std::uint64_t hash = Hash(window);
    ++seen_;
    std::size_t slot = 0;
    const Probe probe = Seek(text, window, hash, &slot);
    if (probe != Probe::kEmpty) return probe == Probe::kFound;  // kFound: an equal window is in
    slots_[slot] = (hash >> 32 << 32) | (position + 1);
    ++used_;
    return true;
}

// The tag is also where the probe sequence starts, so entries move without
// hashing their windows again; entries are distinct, so no comparisons.
bool WindowTable::Grow(std::size_t maxBytes) {
    if (slots_.size() * 2 * sizeof(std::uint64_t) > maxBytes) return false;
    std::vector<std::uint64_t> old(slots_.size() * 2, 0);
    old.swap(slots_);
    const std::size_t mask = slots_.size() - 1;
    for (std::uint64_t entry : old) {
        if (entry == 0) continue;
        std::size_t i = static_cast<std::size_t>(entry >> 32) & mask;
        for (int probe = 0; slots_[i] != 0; ++probe, i = (i + 1) & mask)
            if (probe + 1 >= maxProbes_) return false;
        slots_[i] = entry;
    }
    return true;
}

bool WindowTable::GiveUp() {
    gaveUp_ = true;
    slots_ = {};  // the memory goes back at once
    return false;
}

bool WindowTable::CatchUp(std::string_view text, std::size_t maxBytes) {
    if (gaveUp_) return false;
    if (text.size() > kMaxText) return GiveUp();
    // Tab-free runs one at a time: windows are sought only inside them.
    // (std::find rather than memchr: runs are names, a few dozen bytes.)
    while (next_ + length_ <= text.size()) {
        std::size_t runEnd = std::find(text.begin() + next_, text.end(), '\t') - text.begin();
        for (; next_ + length_ <= runEnd; ++next_)
            if (!Insert(text, next_, maxBytes)) return GiveUp();
        if (runEnd == text.size()) break;
        next_ = runEnd + 1;
    }
    return true;
}

// Every stored window lies within maxProbes_ slots of its start, and slots
// are never emptied: a search that looked at that many slots in vain may
// answer "absent".
bool WindowTable::Contains(std::string_view text, std::string_view window) const {
    std::size_t slot = 0;
    return Seek(text, window.data(), Hash(window.data()), &slot) == Probe::kFound;
}

}  // namespace textsearch
