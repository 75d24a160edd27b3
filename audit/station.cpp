#include "audit/station.h"

#include "installation/install_package.h"
#include "platform/dir_writable.h"
#include "platform/file_system.h"
#include "platform/file_version.h"
#include "platform/path_buffer.h"
#include "update/station.h"
#include "update/version.h"

namespace audit {
namespace {

// The data directory as a path of its own: the run forms "%s\\install", so a
// trailing separator is dropped before the check.
std::string WithoutTrailingSeparator(std::string path) {
    while (path.size() > 1 && (path.back() == '\\' || path.back() == '/')) path.pop_back();
    return path;
}

}  // namespace

StationFacts ReadStation(const std::string& directory) {
    StationFacts facts;
    facts.directory = directory;
    const update::StationInfo station =
        update::ReadStationInfo((directory + plat::kPathSeparator).c_str(), plat::ReadFileVersion);
    facts.hasFrontend = station.hasFileVersion;
    facts.fileVersion = station.fileVersion;
    facts.stationVersion = station.stationVersion;
    facts.versionSource = station.stationVersion[0] ? "station.ini"
                          : station.fileVersion[0]  ? "frontend.exe"
                                                    : "default";
    facts.installed = station.installed;
    facts.hasStationFile =
        plat::PathExists((directory + plat::kPathSeparator + "station.ini").c_str());
    facts.dataDirectory = station.dataDirectory;
    facts.parts = net::ListKeptParts(directory.c_str(), update::IsLocalPackageName);
    char installDirectory[plat::kPathSize] = {};
    char targetPath[plat::kPathSize] = {};
    if (installation::FormInstallPaths(station.dataDirectory, "x", installDirectory, targetPath)) {
        facts.installDirectory = installDirectory;
        const plat::DirWritable install = plat::CheckDirWritable(installDirectory);
        facts.installExists = install != plat::DirWritable::kMissing;
        facts.installLink = install == plat::DirWritable::kLink;
        facts.installWritable = install == plat::DirWritable::kYes;
    }
    if (!facts.dataDirectory.empty()) {
        facts.dataDirectoryWritable =
            plat::CheckDirWritable(WithoutTrailingSeparator(facts.dataDirectory).c_str()) ==
            plat::DirWritable::kYes;
    }
    return facts;
}

}  // namespace audit
