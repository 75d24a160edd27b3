// The staging folder of an install, <install>/.talcheck-staging: items are
// written there first under numbered names, then moved into place, and the
// files they replace are moved there until the install commits. Its
// journal (installation/journal.h) records each change before it is made.
//
// A folder that cannot be removed (a replaced file still mapped by a
// running client, say) never blocks the next install: that one takes the
// next free of the names ".talcheck-staging", ".talcheck-staging-1" ...
// ".talcheck-staging-9", and the next run's recovery tries again.
//
// Durability, in the order an install takes its steps:
//   1. every staged file is flushed (one file-system flush where the
//      system has one, each file set writing as soon as it is whole; else
//      each file);
//   2. the records of all moves are written and the journal flushed once
//      (with the folder and the install directory, the first time);
//   3. the moves are made (written through on Windows);
//   4. every directory that changed is flushed, once each;
//   5. the commit record is written and flushed; only then are the files
//      moved aside deleted, the folder flushed, and the journal deleted
//      last, so a folder that still has its journal is always judged by it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "installation/journal.h"
#include "platform/tree.h"

namespace installation {

constexpr const char* kStagingName = ".talcheck-staging";
constexpr int kStagingSlots = 10;
// The longest path below the install directory that the staging folder
// uses: "\.talcheck-staging-9\journal".
constexpr std::size_t kStagingPathLength = 28;
// The most journal text held in memory at a time.
constexpr std::size_t kJournalChunk = 16384;

// The staging folder names, the usual one first.
std::string StagingSlotName(int slot);
// True when the first component of name is one of them, in any case.
bool IsReservedName(const std::string& name);

class Staging {
public:
    explicit Staging(plat::Tree& tree) : tree_(tree) {}

    // Makes the first free staging folder and its journal; false when all
    // names are taken or nothing can be made.
    bool Create();
    const std::string& folder() const { return folder_; }
    // A name inside the staging folder, relative to the install directory.
    std::string Path(const std::string& staged) const { return folder_ + "/" + staged; }

    // Takes the steps of the install, writes the header and their records
    // and flushes the journal. The records go out in pieces of at most
    // kJournalChunk bytes; the one flush after the last makes them durable.
    bool WriteSteps(std::vector<JournalEntry> steps);
    // The steps taken over by WriteSteps, in their order.
    const std::vector<JournalEntry>& steps() const { return entries_; }

    // Flushes the directories that the recorded steps changed, then commits
    // and removes the folder with the files replaced. False when the commit
    // could not be made durable (the steps are then undone).
    bool Commit();
    // Undoes every recorded step (installation/step_judge.h), then removes
    // the folder.
    void RollBack();

private:
    plat::Tree& tree_;
    std::string folder_;
    plat::File journal_;
    std::vector<JournalEntry> entries_;
    bool journalDurable_ = false;

    // Writes text to the journal and flushes it; the first time also the
    // folder and the install directory, so that its name survives too.
    bool WriteDurably(const std::string& text);
};

// Flushes the directories holding the paths of entries, the directories
// they make, and the staging folder (each once).
bool FlushTouchedDirectories(plat::Tree& tree, const std::string& folder,
                             const std::vector<JournalEntry>& entries);

// Removes the staging folder: the names entries stage first, then (once
// that is durable) the journal, then whatever is left. True when nothing
// is left; the journal stays while anything else does.
bool ClearStagingFolder(plat::Tree& tree, const std::string& folder,
                        const std::vector<JournalEntry>& entries);

// Moves from to the first free of the names base-<first> ... base-<last>,
// where base-0 stands for base itself; the name it took, or "" when none
// was free or the moves failed.
std::string MoveToFreeName(plat::Tree& tree, const std::string& from, const std::string& base,
                           int first, int last);

// For the benchmark only: no flush at all when false (the default is true).
void SetFlushingForTesting(bool flush);
bool Flushing();

}  // namespace installation
