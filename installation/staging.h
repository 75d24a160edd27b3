// The staging folder of an install, <install>/.talcheck-staging: items are
// written there first under numbered names, then moved into place. Its
// journal records every change made to the install directory before it is
// made, so that an install cut short (a failure, or the process killed) can
// be undone, by the failing install itself or by the next one.
//
// Journal lines (paths relative to the install directory):
//   D <path>            the directory is about to be created
//   B <staged> <path>   the file in the way is about to be moved to <staged>
//   P <staged> <path>   the staged file is about to be moved to <path>
//   C                   every move succeeded: the package is in place
#pragma once

#include <string>
#include <vector>

#include "platform/file_handle.h"

constexpr const char* kStagingName = ".talcheck-staging";

struct JournalEntry {
    char kind;           // 'D', 'B', 'P' or 'C'
    std::string staged;  // name inside the staging folder (B and P)
    std::string path;    // relative to the install directory
};

class Staging {
public:
    // installDirectory/.talcheck-staging; nothing is created yet.
    explicit Staging(const std::string& installDirectory);

    // Makes the folder (hidden on Windows) and its journal; false, leaving
    // whatever had the name alone, when the name is taken or it cannot be made.
    bool Create();
    // Appends one line to the journal and keeps it in entries().
    bool Record(char kind, const std::string& staged, const std::string& path);
    // Undoes every recorded change in reverse order, then removes the
    // folder. When something could not be undone the folder and its journal
    // stay for the next install to finish; false then.
    bool RollBack();
    // Records the commit and removes the folder with the files replaced.
    void Finish();

    std::string Path(const std::string& staged) const { return folder_ + "/" + staged; }
    std::string Target(const std::string& path) const { return install_ + "/" + path; }
    const std::vector<JournalEntry>& entries() const { return entries_; }

private:
    friend void RecoverStaging(const std::string& installDirectory);

    std::string install_;
    std::string folder_;
    plat::File journal_;
    std::vector<JournalEntry> entries_;
};

// Called before every install: when an earlier install left its staging
// folder, its journal is replayed: undone unless it was committed, and the
// folder removed. Silent; a link under the folder's name is only unlinked.
void RecoverStaging(const std::string& installDirectory);
