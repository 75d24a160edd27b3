#include "audit/station.h"

#include "installation/install_package.h"
#include "platform/file_handle.h"
#include "platform/file_system.h"
#include "platform/file_version.h"
#include "platform/path_buffer.h"
#include "platform/profile.h"
#include "update/version.h"

namespace audit {
namespace {

constexpr std::size_t kVersionTextSize = 16;  // the run's version text buffers

std::string Join(const std::string& directory, const char* name) {
    return directory + plat::kPathSeparator + name;
}

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
    char fileText[kVersionTextSize] = {};
    facts.hasFrontend =
        ReadFileVersion(Join(directory, "frontend.exe").c_str(), fileText, sizeof fileText);
    facts.fileVersion = fileText;

    std::string stationPath = Join(directory, "station.ini");
    char stationText[kVersionTextSize] = {};
    plat::ReadProfileString("STATIONINFO", "FrontendVersion", "", stationText, sizeof stationText,
                            stationPath.c_str());
    facts.stationVersion = stationText;
    const char* installedText = stationText[0] ? stationText : fileText;
    facts.versionSource = stationText[0] ? "station.ini" : fileText[0] ? "frontend.exe" : "default";
    ParseVersion(installedText, facts.installed.major, facts.installed.minor,
                 facts.installed.build);

    char dataDirectory[plat::kPathSize] = {};
    plat::ReadProfileString("STATIONINFO", "DBDirectory", "", dataDirectory, sizeof dataDirectory,
                            stationPath.c_str());
    facts.dataDirectory = dataDirectory;
    char installDirectory[plat::kPathSize] = {};
    char targetPath[plat::kPathSize] = {};
    if (FormInstallPaths(dataDirectory, "x", installDirectory, targetPath)) {
        facts.installDirectory = installDirectory;
        facts.installExists = plat::IsDirectory(installDirectory);
        facts.installWritable = facts.installExists && CanWriteIn(installDirectory);
    }
    return facts;
}

}  // namespace audit
