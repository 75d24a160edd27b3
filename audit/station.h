// The facts an update run starts from, read as the run reads them: the
// installed version (frontend.exe's FileVersion, overridden by a non-empty
// station.ini STATIONINFO/FrontendVersion, 5.1.0 by default) and the data
// directory (STATIONINFO/DBDirectory, used as written).
#pragma once

#include <string>

#include "audit/audit.h"

namespace audit {

// directory: the station directory without a trailing separator.
StationFacts ReadStation(const std::string& directory);

}  // namespace audit
