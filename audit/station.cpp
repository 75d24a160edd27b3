#include "audit/station.h"

#include "installation/install_package.h"
#include "platform/file_handle.h"
#include "platform/file_system.h"
#include "platform/file_version.h"
#include "platform/path_buffer.h"
#include "update/station.h"

namespace audit {
namespace {

// Writable means a file can be made in it: attribute bits do not tell on
// every platform (ACLs, read-only mounts). The install step's own file
// functions are used, so "\\" separates here as it does for the run.
bool CanWriteIn(const std::string& directory) {
    std::string probe = directory + "\\talcheck-audit.tmp";
    bool made = plat::File::CreateAlways(probe.c_str(), plat::kAttrArchive).valid();
    if (made) plat::RemoveFile(probe.c_str());
    return made;
}

}  // namespace

StationFacts ReadStation(const std::string& directory) {
    StationFacts facts;
    facts.directory = directory;
    const StationInfo station =
        ReadStationInfo((directory + plat::kPathSeparator).c_str(), ReadFileVersion);
    facts.hasFrontend = station.hasFileVersion;
    facts.fileVersion = station.fileVersion;
    facts.stationVersion = station.stationVersion;
    facts.versionSource = station.stationVersion[0] ? "station.ini"
                          : station.fileVersion[0]  ? "frontend.exe"
                                                    : "default";
    facts.installed = station.installed;
    facts.dataDirectory = station.dataDirectory;
    facts.parts = net::ListKeptParts(directory.c_str());
    char installDirectory[plat::kPathSize] = {};
    char targetPath[plat::kPathSize] = {};
    if (FormInstallPaths(station.dataDirectory, "x", installDirectory, targetPath)) {
        facts.installDirectory = installDirectory;
        facts.installExists = plat::IsDirectory(installDirectory);
        facts.installWritable = facts.installExists && CanWriteIn(installDirectory);
    }
    return facts;
}

}  // namespace audit
