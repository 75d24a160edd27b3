// The journal of an install: every change to the install directory is
// recorded in it, and made durable, before the change is made, so that an
// install cut short at any instant (a failure, a kill, a power cut) can be
// finished or undone by the next run.
//
// One record per line, each with its own check:
//   <crc> <length> <body>
// <crc> is the CRC-32 of "<length> <body>" in 8 lower-case hex digits and
// <length> the byte count of <body> in decimal. Bodies (paths relative to
// the install directory, "/" or "\" separated, as the install tree takes
// them; numbers decimal unless said):
//   J 2 <n>                     the header: journal version 2, n step
//                               records follow
//   D <path>                    the directory is about to be created
//   B <staged> <size> <time> <path>
//                               the file in the way, of this size and
//                               last-write time (plat::FileStamp), is about
//                               to be moved to <staged> in the staging
//                               folder; "- -" for a directory tree
//   P <staged> <size> <crc> <attributes> <path>
//                               the staged file, of this size and CRC-32
//                               (hex, from the archive), is about to be
//                               moved to <path> and given the attribute
//                               bits (hex)
//   C                           every step was taken and is durable
// The header and its n step records are written, then flushed once, before
// the first step is taken; the commit is the one record after them. So a
// step record that is missing or fails its check (a torn tail, or a hole
// where a block was lost while a later one reached the disk) shows that
// flush never finished: no step was taken. A commit record that fails its
// check was never made. Records that pass their checks but are not what
// this program writes, and journals of any other version, are not acted on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace installation {

// A journal larger than this is no journal of ours: the largest package
// (65,535 items with names of 259 characters) needs less than half of it.
constexpr std::size_t kMaxJournalBytes = 64u << 20;

// The journal's name in its staging folder.
constexpr const char* kJournalName = "journal";

struct JournalEntry {
    char kind = 'C';               // 'D', 'B', 'P' or 'C'
    std::string staged;            // name inside the staging folder (B and P)
    std::string path;              // relative to the install directory
    std::uint64_t size = 0;        // B and P: the file's size
    std::uint64_t check = 0;       // B: last-write time; P: CRC-32
    std::uint32_t attributes = 0;  // P: the attribute bits the placed file takes
    bool tree = false;             // B: a directory tree, with no size or time
};

// The header of a journal with steps step records.
std::string FormatJournalHeader(std::size_t steps);
// The record of entry, with its check and line feed.
std::string FormatJournalRecord(const JournalEntry& entry);

enum class JournalState {
    kNoStep,          // empty, or the step records never all became durable
    kSteps,           // every step record is sound: steps may have been taken
    kCommitted,       // every step record and the commit are sound
    kUnknownVersion,  // another version's journal: not acted on
    kMalformed,       // sound records this program never writes: not acted on
};

struct JournalContents {
    JournalState state = JournalState::kNoStep;
    // The sound step records (for kNoStep those that passed their checks,
    // also those after a hole).
    std::vector<JournalEntry> entries;
};

JournalContents ReadJournal(const std::string& text);

}  // namespace installation
