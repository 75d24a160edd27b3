// Folders an install cut short left aside in the install directory
// (".talcheck-kept-<n>"), each with what it holds.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "audit/audit.h"

namespace audit {

struct KeptFolder {
    std::string name;  // ".talcheck-kept-1"
    std::uint64_t files = 0;
    std::uint64_t bytes = 0;
};

// The kept folders below installDirectory ("\" or "/" separated), links
// not followed; none when it cannot be read.
std::vector<KeptFolder> ListKeptFolders(const std::string& installDirectory);

// One warning ("kept_folder") for each.
std::vector<Warning> KeptFolderWarnings(const std::string& installDirectory);

}  // namespace audit
