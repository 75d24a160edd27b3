// The transitions of a SuffixAutomaton that do not fit in its states: one
// flat open-addressing hash table keyed by (state, byte), so that a look-up
// costs one hash and, on average, about two slots, whatever the number of
// transitions a state has (up to 256) or the text's length.
//
// Each entry also names the next byte of the same state's list, so that the
// transitions of one state can be walked (the automaton copies them when it
// clones a state) without a list of their own. Entries are never removed.
//
// Memory: 12 bytes per slot; the table is at most three quarters full and
// at least three eighths after growing, so 16 to 32 bytes per entry.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace textsearch {

class TransitionTable {
public:
    struct Entry {
        std::int32_t target;
        bool solid;          // see SuffixAutomaton
        bool hasNext;        // whether the state's list goes on
        unsigned char next;  // the byte of the list's next entry
    };

    TransitionTable();

    // Whether (state, byte) is present; if so, *entry receives it.
    bool Find(std::int32_t state, unsigned char byte, Entry* entry) const;
    // Changes the target of (state, byte) when it is present; false when not.
    bool Retarget(std::int32_t state, unsigned char byte, std::int32_t target, bool solid);
    // Adds an absent (state, byte). May throw std::bad_alloc when growing.
    void Add(std::int32_t state, unsigned char byte, const Entry& entry);

    std::size_t MemoryBytes() const { return slots_.capacity() * sizeof(Slot); }

private:
    struct Slot {
        std::uint32_t key;  // state + 1; 0 marks an empty slot
        std::int32_t target;
        unsigned char byte;
        unsigned char next;
        unsigned char flags;
    };

    std::size_t Home(std::uint32_t key, unsigned char byte) const;
    Slot* Seek(std::uint32_t key, unsigned char byte);
    const Slot* Seek(std::uint32_t key, unsigned char byte) const;
    void Grow();

    std::vector<Slot> slots_;
    int shift_;  // 64 - log2(slots_.size())
    std::size_t used_ = 0;
};

}  // namespace textsearch
