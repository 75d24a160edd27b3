// A hash set of the windows of one length in a growing text: every run of
// exactly Length() bytes that holds no tab. Answers "does this tab-free
// text of that length occur in the text?" with one hash and, on average,
// about one probe, which is what makes the folder listing's duplicate test
// cheap: listings are names followed by tabs, so a table holds about one
// window per listed name of its length, not one per byte.
//
// The table stores positions into the text, not copies; every call gets the
// text again, which must only have grown since the previous call. Hits are
// confirmed by comparing the bytes, so a hash collision never gives a wrong
// answer. Probe sequences are capped: a table that would need a longer one
// to store a window (an input built to collide, or a text beyond 4 GB) gives
// up for good and says so, and the caller answers from another structure.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace textsearch {

class WindowTable {
public:
    // maxProbes: slots looked at per insertion or look-up, at least 1.
    WindowTable(std::size_t length, int maxProbes);

    std::size_t Length() const { return length_; }
    // Windows hashed so far, equal ones included: the work done.
    std::size_t WindowsSeen() const { return seen_; }
    std::size_t MemoryBytes() const { return slots_.capacity() * sizeof(std::uint64_t); }

    // Adds the windows that start at or after the end of the text of the
    // previous call, in a table of at most maxBytes (the table gives up
    // rather than grow past it). False once the table has given up.
    bool CatchUp(std::string_view text, std::size_t maxBytes);

    // Whether window (Length() bytes, no tab) occurs in text as of the last
    // CatchUp, which must have succeeded.
    bool Contains(std::string_view text, std::string_view window) const;

private:
    enum class Probe { kFound, kEmpty, kGaveUp };

    std::uint64_t Hash(const char* window) const;
    Probe Seek(std::string_view text, const char* window, std::uint64_t hash,
               std::size_t* slot) const;
    bool Insert(std::string_view text, std::size_t position, std::size_t maxBytes);
    bool Grow(std::size_t maxBytes);
    bool GiveUp();  // false

    std::size_t length_;
    int maxProbes_;
    bool gaveUp_ = false;
    std::size_t next_ = 0;  // first window start not yet looked at
    std::size_t used_ = 0;
    std::size_t seen_ = 0;
    // Each slot: the high half of the window's hash (its tag, which also
    // picks the first slot to probe) above position + 1; 0 is an empty
    // slot. Kept at most half full (linear probing).
    std::vector<std::uint64_t> slots_;
};

}  // namespace textsearch
