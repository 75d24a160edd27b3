// The journal of an install: every change to the install directory is
// recorded in it, and made durable, before the change is made, so that an
// install cut short at any instant (a failure, a kill, a power cut) can be
// finished or undone by the next run.
//
// One line per step (paths relative to the install directory, "/" or "\"
// separated; names as the install tree takes them):
//   D <path>            the directory is about to be created
//   B <staged> <path>   the file or tree in the way is about to be moved to
//                       <staged> in the staging folder
//   P <staged> <path>   the staged file is about to be moved to <path>
//   C                   every step was taken and is durable
// A last line without its line feed (and NUL bytes after the last line
// feed) was being written when the process stopped: its step was never
// taken, so it is ignored. Any other line that is not exactly one of these
// makes the whole journal malformed: nothing in it is acted on.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace installation {

// A journal larger than this is no journal of ours: the largest package
// (65,535 items with names of 259 characters) needs less than half of it.
constexpr std::size_t kMaxJournalBytes = 64u << 20;

// The journal's name in its staging folder.
constexpr const char* kJournalName = "journal";

struct JournalEntry {
    char kind;           // 'D', 'B', 'P' or 'C'
    std::string staged;  // name inside the staging folder (B and P)
    std::string path;    // relative to the install directory
};

// The line of entry, with its line feed.
std::string FormatJournalLine(const JournalEntry& entry);

// Parses a whole journal; false when it is malformed (then entries holds
// what came before the first bad line and must not be acted on).
bool ParseJournal(const std::string& text, std::vector<JournalEntry>* entries);

// True when the journal ends with its commit line.
bool IsCommitted(const std::vector<JournalEntry>& entries);

}  // namespace installation
