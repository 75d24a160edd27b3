// Testing a package as the install step would unpack it, in a scratch
// directory that is removed afterwards.
#pragma once

#include <string>

#include "inspect/inspection.h"

namespace inspect {

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

// Downloads url as the run would (net::DownloadPackage) into a scratch directory
// under localName, tests it, and removes everything again.
PackageTest DownloadAndTest(const std::string& url, const std::string& localName);

}  // namespace inspect
