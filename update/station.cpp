#include "update/station.h"

#include "platform/profile.h"
#include "update/version.h"

namespace update {

namespace {

constexpr const char* kStationSection = "STATIONINFO";

// dst = directory + name; empty when the whole path does not fit, so that
// no truncated path is ever opened.
void JoinPath(char* dst, const char* directory, const char* name) {
    if (!plat::CopyBounded(dst, plat::kPathSize, directory) ||
        !plat::AppendBounded(dst, plat::kPathSize, name))
        dst[0] = '\0';
}

}  // namespace

StationInfo ReadStationInfo(
    const char* directory,
    const std::function<bool(const char* path, char* buffer, std::size_t size)>& readFileVersion) {
    StationInfo info;
    char exePath[plat::kPathSize] = {};
    JoinPath(exePath, directory, "frontend.exe");
    if (exePath[0])
        info.hasFileVersion = readFileVersion(exePath, info.fileVersion, sizeof info.fileVersion);

    char stationPath[plat::kPathSize] = {};
    JoinPath(stationPath, directory, "station.ini");
    plat::ReadProfileString(kStationSection, "FrontendVersion", "", info.stationVersion,
                            sizeof info.stationVersion, stationPath);
    const char* installedText = info.stationVersion[0] ? info.stationVersion : info.fileVersion;
    ParseVersion(installedText, info.installed.major, info.installed.minor, info.installed.build);

    plat::ReadProfileString(kStationSection, "DBDirectory", "", info.dataDirectory,
                            sizeof info.dataDirectory, stationPath);
    return info;
}

}  // namespace update
