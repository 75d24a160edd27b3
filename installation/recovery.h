// Recovery of what an install cut short left below the install directory:
// run at the start of every run, before any request, and before every
// install. Bounded: at most kStagingSlots folders, each journal read as a
// regular file of at most kMaxJournalBytes, without waiting on a FIFO.
//
// For each staging folder found:
//   - committed journal: the install is finished; the folder with the
//     files it replaced is removed;
//   - journal without its commit: every step taken is undone (a file
//     moved aside whose place is taken now is kept beside it); the folder
//     is removed once nothing of the old tree is left in it, and the journal
//     first, only after the undone steps are durable;
//   - no journal: nothing was moved yet, or the folder was finished and not
//     yet removed; it is removed;
//   - a journal that cannot be read (no regular file, too large, locked) or
//     is malformed: nothing is undone and nothing deleted; the folder is
//     renamed to ".talcheck-kept-<n>" so it no longer blocks an install
//     and is never replayed later;
//   - anything but a directory under a staging name (a link, a FIFO): the
//     name itself is removed, never followed.
#pragma once

#include <string>


namespace installation {

struct RecoveryReport {
    bool acted = false;   // something was left; false on a clean station
    bool whole = true;    // the tree is the old or the new one, nothing kept aside
    std::string detail;   // what was done, for the run log
};

// Opens installDirectory as a Tree and recovers it; nothing when it is
// missing.
RecoveryReport RecoverInstallDirectory(const char* installDirectory);

}  // namespace installation
