// Moving staged items into the install directory, whole or not at all.
#pragma once

#include <string>
#include <vector>

#include "installation/package_check.h"
#include "installation/staging.h"

// Looks at what lies in the way of every item before anything moves: a
// symbolic link or junction anywhere below the install directory, a file
// where a directory is needed or the reverse, a read-only file, or a hidden
// or system file whose bit the item lacks. False with *fault filled then.
bool CheckTargets(const std::string& installDirectory, const std::vector<PlannedItem>& plan,
                  InstallFault* fault);

// Moves the file or tree at clearName (a plain name below install, may be
// empty) and every file in the way into the staging folder, and every staged
// item into place, recording each step first. On the first failure every
// step is undone and *fault says which file failed and why.
bool PlaceItems(Staging& staging, const std::vector<PlannedItem>& plan,
                const std::string& clearName, InstallFault* fault);

// The staged name of item index, and of the file it replaces.
std::string StagedName(std::int32_t index);
std::string BackupName(std::int32_t index);
