// Recovery of what an install cut short left below the install directory:
// run at the start of every run, before any request, and before every
// install. Bounded: at most kStagingSlots folders, each journal read as a
// regular file of at most kMaxJournalBytes, without waiting on a FIFO.
//
// For each staging folder found, its journal (installation/journal.h)
// decides, and each step is judged by what is on disk
// (installation/step_judge.h):
//   - committed: the install is finished; a rename the file system lost is
//     taken again; the folder with the files it replaced is removed;
//   - step records all sound, no commit: every step taken is undone (a file
//     moved aside whose place is taken now is kept beside it); the folder
//     is removed once nothing of the old tree is left in it;
//   - empty, or a step record missing or failing its check (a torn tail or
//     a hole): the records never became durable, so no step was taken; the
//     folder is removed and the line says so;
//   - no journal: the folder was just made, or finished and being
//     removed (the journal goes last); it is removed;
//   - a journal that cannot be read (no regular file, too large, locked),
//     of another version, or malformed: nothing is undone and nothing
//     deleted; the folder is renamed to ".talcheck-kept-<n>" so it no
//     longer blocks an install and is never replayed as a staging folder;
//   - anything but a directory under a staging name (a link, a FIFO): the
//     name itself is removed, never followed.
// A folder is removed with its journal last, so a folder cut short while
// being removed is judged by its journal again. One that cannot be removed
// (a file in use) is kept aside with its journal.
#pragma once

#include <string>
#include <vector>

namespace installation {

struct RecoveryReport {
    bool acted = false;  // something was left; false on a clean station
    bool whole = true;   // the tree is the old or the new one, nothing kept aside
    std::string detail;  // what was done, for the run log
    // Kept folders shown to hold nothing the tree needs: the files they
    // replaced are back or the install they belong to is finished.
    std::vector<std::string> removable;
};

// Kept folders are looked for as ".talcheck-kept-1" ... this.
constexpr int kKeptFolders = 100;

// Opens installDirectory as a Tree and recovers it; nothing when it is
// missing. With keptFolders (before an install) the folders kept aside
// earlier are judged too, and those whose journal can be trusted are
// finished or undone like staging folders and listed as removable.
RecoveryReport RecoverInstallDirectory(const char* installDirectory, bool keptFolders = false);

// Removes the folders of a report's removable list, once an install has
// succeeded; "removed <folder>, <folder>" for the log, "" when none went.
std::string RemoveKeptFolders(const char* installDirectory,
                              const std::vector<std::string>& folders);

}  // namespace installation
