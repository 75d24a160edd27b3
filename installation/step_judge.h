// Undoing or finishing the steps of a journal, each judged by what is at
// its path and in the staging folder, never by presence alone: after a
// power cut any operation since the last flush may be missing, so a
// missing staged file does not show that it was moved into place.
//
//   placement (P)   taken when its staged file is gone and the file at the
//                   path has the recorded size and CRC-32;
//   move aside (B)  taken when the staged name holds the file; the file at
//                   the path has the recorded size and last-write time when
//                   it was not;
//   directory (D)   removed on undo only when empty.
// Undoing never moves a file out of the tree that it cannot show to be the
// package's own; a file whose content the package shares, and whose old
// copy was never moved aside, stays where it is.
#pragma once

#include <string>
#include <vector>

#include "installation/journal.h"
#include "platform/tree.h"

namespace installation {

// What undoing a journal's steps did.
struct UndoReport {
    int restored = 0;               // files moved back or out again
    bool taken = false;             // some step had been taken
    std::vector<std::string> kept;  // where files that could not return were kept
    bool complete = true;           // nothing of the old tree is left in the folder
};

// Undoes the steps of entries in reverse order, each only where it was
// taken: a placed file goes back to the staging folder, a file moved aside
// returns. A file moved aside whose place is taken now is kept beside it as
// "<path>.talcheck-kept" (or "-1" ... "-9"); report says where. Every
// directory touched is flushed before it returns.
UndoReport UndoSteps(plat::Tree& tree, const std::string& folder,
                     const std::vector<JournalEntry>& entries);

// Takes every step of a committed journal that is not in place yet (a
// rename the file system lost): makes missing directories, moves the old
// file still at a path aside and its staged file into place. A path that
// holds neither the old nor the new file is left as it is. Flushes every
// directory touched.
void FinishSteps(plat::Tree& tree, const std::string& folder,
                 const std::vector<JournalEntry>& entries);

// True when path holds the file that placement e puts there.
bool HoldsPlacedFile(plat::Tree& tree, const std::string& path, const JournalEntry& e);
// True when path holds what move aside e moves (the same tree: a directory).
bool HoldsMovedAside(plat::Tree& tree, const std::string& path, const JournalEntry& e);

}  // namespace installation
