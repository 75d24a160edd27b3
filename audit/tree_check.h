// Checks a local installer tree before it is published: folder names,
// package names, every package unpacked as the install step would, and
// gaps between version lines that would stop the run's probing.
#pragma once

#include <string>
#include <vector>

#include "audit/audit.h"

namespace audit {

struct TreeLine {
    std::string folder;  // "5_1 Installers"
    int32_t major = 0;
    int32_t minor = 0;
    std::vector<std::string> packages;  // names that a run could choose
};

struct TreeReport {
    std::string root;  // the folder holding the "<major>_<minor> Installers" folders
    std::vector<TreeLine> lines;
    std::vector<PackageTest> packages;  // url holds the file's path
    std::vector<Warning> problems;
};

// dir: the tree's top (holding "Marl Quill/MarlQuill") or the MarlQuill
// folder itself. packageKeys: the compiled-in keys; with any, every package
// needs a valid signature in its line folder's "signatures" folder.
TreeReport CheckTree(const std::string& dir, const char* packageKeys);

}  // namespace audit
