// Misconfigurations of a station and of what the server offers it, as
// warnings with stable codes (documented in docs/administrators.md).
#pragma once

#include <vector>

#include "audit/audit.h"

namespace audit {

// The station's own files: "default_version" (no version from frontend.exe
// or station.ini, so 5.1.0 is assumed), "no_data_directory" (DBDirectory
// empty), "install_not_creatable" (install is missing and cannot be made
// in the data directory), "install_not_writable" (install exists, is a
// link, or takes no files), "station_unsafe" (an account other than the
// privileged ones may change station.ini, the station folder, the data
// directory, install or a folder above one: update/station_safety.h; the
// text ends with the command that mends it).
std::vector<Warning> CheckStationSetup(const StationFacts& station);

// What the requests and choices show: "line_folder_missing" (the installed
// line's folder answers 404), "line_folder_refused" (it answers, but with a
// failure the run logs, such as 403), "not_a_zip_name" (a chosen name does not end
// in ".zip"), "unsigned_package" (keys are compiled in and a tested package
// has no signature file).
std::vector<Warning> CheckServerSetup(const Inspection& inspection);

}  // namespace audit
