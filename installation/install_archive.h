// Installing a ZIP package whole or not at all.
#pragma once

#include <string>

#include "installation/zip_record_check.h"
#include "platform/file_handle.h"
#include "vocabulary/outcome.h"

namespace installation {

// Tests the package (CheckPackage, and what lies in the way of each item),
// extracts every file into the staging folder below installDirectory,
// testing its data, and moves each into place, keeping what it replaces
// until every move is durable; on a failure everything moved is moved back.
// The file or tree installDirectory/clearName (clearName may be empty) is
// replaced as part of the same change. Nothing below installDirectory is
// reached through a link (plat::Tree). A leftover of an earlier install is
// expected to be recovered first (installation/recovery.h). Ok when every
// item is in place; refused when the package failed its test, failed when
// it could not be placed, naming the item and the reason; in both cases
// nothing was changed. The archive is read through a duplicate of package,
// which stays open.
vocab::Outcome InstallArchive(const plat::File& package, const std::string& installDirectory,
                              const std::string& clearName, const PackageLimits& limits);
// The same for the file at archivePath, opened here.
vocab::Outcome InstallArchive(const char* archivePath, const std::string& installDirectory,
                              const std::string& clearName, const PackageLimits& limits);

}  // namespace installation
