// A trial install of a package as the install step would unpack it, in a scratch
// directory that is removed afterwards.
#pragma once

#include <string>

#include "audit/audit.h"

namespace audit {

struct ArchiveVerdict {
    bool passed = false;
    int items = 0;
    std::string problem;  // empty when passed
};

// Installs the archive at path into scratch exactly as the install step
// would (its package test, staging, data test and placement); the install
// step's fault names the problem.
ArchiveVerdict TestArchive(const std::string& path, const std::string& scratch);

// A new empty directory below the system's temp directory; empty on failure.
std::string MakeScratchDirectory();
// Removes it with everything below it (read-only files too).
void RemoveScratchDirectory(const std::string& path);

// Downloads folderUrl + listedName as the run would (net::DownloadPackage)
// into a scratch directory under localName, checks its signature as the run
// does when keys are compiled in, tests it, and removes everything again.
PackageTest DownloadAndTest(const std::string& folderUrl, const std::string& listedName,
                            const std::string& localName, const char* packageKeys);

}  // namespace audit
