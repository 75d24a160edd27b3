// The station check of a privileged run (root or LocalSystem), and its one
// wording, shared by the run and talcheck-audit. Whoever may change
// station.ini, the station folder, the data directory or install below it
// chooses what the run writes where, with the run's rights. So each of them,
// every folder above one, and every link on the way and its target
// (platform/path_safety.h) must be changeable by privileged accounts only.
#pragma once

#include <string>
#include <vector>

#include "platform/path_safety.h"
#include "vocabulary/outcome.h"

namespace update {

struct StationFinding {
    std::string path;         // "station.ini", or the full path of the entry concerned
    plat::PathFinding entry;  // what was found, and where (entry.path in full)
};

// The checked entries in order: <workDir>station.ini, the station folder,
// and, when dataDirectory is not empty, the data directory and "install"
// below it. workDir ends with a separator. One finding per checked entry
// that is not safe; empty when the station is safe.
std::vector<StationFinding> CheckStationSafety(const char* workDir, const char* dataDirectory);

// The reason in words: "Users may change it", "user nobody owns it", "its
// owner or permissions cannot be read".
std::string StationFindingReason(const plat::Safety& safety);

// The run's form: ok, or the first finding refused with its path as the
// item and StationFindingReason as the reason.
vocab::Outcome StationSafetyOutcome(const char* workDir, const char* dataDirectory);

}  // namespace update
