// Inspects one station: everything a run would decide, without downloading
// or installing unless asked to test the chosen packages. The decisions are
// the run's own functions (ProbeFollowingLines, WalkCurrentLine,
// WalkNewestLine); the inspection only watches and explains them.
#pragma once

#include <string>

#include "audit/audit.h"

namespace audit {

struct StationOptions {
    std::string directory;         // the station directory
    std::string host;              // installer host setting (see update/installer_url.h)
    bool download = false;         // download and test the chosen packages
    int lookahead = 3;             // version lines probed beyond where the run stops
    const char* packageKeys = "";  // the compiled-in keys: signatures checked when not empty
};

Inspection InspectStation(const StationOptions& options);

}  // namespace audit
