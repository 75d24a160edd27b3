// What a station directory tells the update run about the installed client:
// frontend.exe's FileVersion text, station.ini's STATIONINFO/FrontendVersion
// (which wins when not empty), the installed version parsed from the winner
// (5.1.0 when neither parses), and STATIONINFO/DBDirectory as written.
// Read in that order: the executable first, then station.ini.
#pragma once

#include <cstddef>
#include <functional>

#include "platform/path_buffer.h"
#include "update/package_choice.h"

namespace update {

constexpr std::size_t kVersionTextSize = 16;

struct StationInfo {
    bool hasFileVersion = false;              // readFileVersion succeeded
    char fileVersion[kVersionTextSize] = {};  // empty without
    char stationVersion[kVersionTextSize] = {};
    vocab::VersionTriple installed;
    char dataDirectory[plat::kPathSize] = {};
};

// directory ends with a path separator; a file whose full path would not fit
// in a path buffer is treated as missing. readFileVersion reads an
// executable's FileVersion text into a zero-filled buffer of size bytes.
StationInfo ReadStationInfo(
    const char* directory,
    const std::function<bool(const char* path, char* buffer, std::size_t size)>& readFileVersion);

}  // namespace update
