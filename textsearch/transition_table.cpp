#include "textsearch/transition_table.h"

namespace textsearch {

namespace {

constexpr int kInitialLog2 = 10;
constexpr unsigned char kSolid = 1;
constexpr unsigned char kHasNext = 2;

}  // namespace

TransitionTable::TransitionTable()
    : slots_(std::size_t{1} << kInitialLog2, Slot{0, 0, 0, 0, 0}), shift_(64 - kInitialLog2) {}

// Fibonacci hashing: the multiplication spreads consecutive states, and the
// high bits of the product pick the slot.
std::size_t TransitionTable::Home(std::uint32_t key, unsigned char byte) const {
    std::uint64_t packed = (std::uint64_t{key} << 8) | byte;
    return static_cast<std::size_t>((packed * 0x9E3779B97F4A7C15ull) >> shift_);
}

TransitionTable::Slot* TransitionTable::Seek(std::uint32_t key, unsigned char byte) {
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = Home(key, byte);; i = (i + 1) & mask) {
        Slot& slot = slots_[i];
        if (slot.key == 0 || (slot.key == key && slot.byte == byte)) return &slot;
    }
}

const TransitionTable::Slot* TransitionTable::Seek(std::uint32_t key, unsigned char byte) const {
    return const_cast<TransitionTable*>(this)->Seek(key, byte);
}

bool TransitionTable::Find(std::int32_t state, unsigned char byte, Entry* entry) const {
    const Slot* slot = Seek(static_cast<std::uint32_t>(state) + 1, byte);
    if (slot->key == 0) return false;
    *entry = {slot->target, (slot->flags & kSolid) != 0, (slot->flags & kHasNext) != 0, slot->next};
    return true;
}

bool TransitionTable::Retarget(std::int32_t state, unsigned char byte, std::int32_t target,
                               bool solid) {
    Slot* slot = Seek(static_cast<std::uint32_t>(state) + 1, byte);
    if (slot->key == 0) return false;
    slot->target = target;
    slot->flags = static_cast<unsigned char>((slot->flags & ~kSolid) | (solid ? kSolid : 0));
    return true;
}

void TransitionTable::Add(std::int32_t state, unsigned char byte, const Entry& entry) {
    if ((used_ + 1) * 4 > slots_.size() * 3) Grow();
    Slot* slot = Seek(static_cast<std::uint32_t>(state) + 1, byte);
    unsigned char flags = (entry.solid ? kSolid : 0) | (entry.hasNext ? kHasNext : 0);
    *slot = {static_cast<std::uint32_t>(state) + 1, entry.target, byte, entry.next, flags};
    ++used_;
}

// Keys are distinct, so every entry goes to the first empty slot from its
// home; the old array is only released once the new one is filled.
void TransitionTable::Grow() {
    std::vector<Slot> old(slots_.size() * 2, Slot{0, 0, 0, 0, 0});
    old.swap(slots_);
    --shift_;
    const std::size_t mask = slots_.size() - 1;
    for (const Slot& slot : old) {
        if (slot.key == 0) continue;
        std::size_t i = Home(slot.key, slot.byte);
        while (slots_[i].key != 0) i = (i + 1) & mask;
        slots_[i] = slot;
    }
}

}  // namespace textsearch
