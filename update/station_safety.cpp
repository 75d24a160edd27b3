#include "update/station_safety.h"

#include "installation/install_package.h"
#include "platform/path_buffer.h"

namespace update {

namespace {

// The station folder without its trailing separator, unless it is a root.
std::string WithoutTrailingSeparator(std::string path) {
    while (path.size() > 1 && (path.back() == '\\' || path.back() == '/') &&
           path[path.size() - 2] != ':')
        path.pop_back();
    return path;
}

// label names the entry when the finding is about the entry itself.
void Check(const std::string& label, const std::string& path, std::vector<StationFinding>& out) {
    plat::PathFinding found = plat::JudgePath(path.c_str(), plat::SafetyRole::kItem);
    if (found.safety.kind == plat::Safety::Kind::kSafe) return;
    // A folder above several checked entries is named once.
    for (const StationFinding& earlier : out)
        if (earlier.entry.path == found.path) return;
    out.push_back({found.path == path ? label : found.path, std::move(found)});
}

}  // namespace

std::vector<StationFinding> CheckStationSafety(const char* workDir, const char* dataDirectory) {
    std::vector<StationFinding> findings;
    const std::string station = WithoutTrailingSeparator(workDir);
    Check("station.ini", std::string(workDir) + "station.ini", findings);
    Check(station, station, findings);
    if (dataDirectory[0] == '\0') return findings;
    Check(WithoutTrailingSeparator(dataDirectory), dataDirectory, findings);
    char install[plat::kPathSize] = {};
    char target[plat::kPathSize] = {};
    if (installation::FormInstallPaths(dataDirectory, "x", install, target))
        Check(install, install, findings);
    return findings;
}

std::string StationFindingReason(const plat::Safety& safety) {
    switch (safety.kind) {
        case plat::Safety::Kind::kOwner:
            return safety.who + " owns it";
        case plat::Safety::Kind::kWriter:
            return safety.who + " may change it";
        default:
            return "its owner or permissions cannot be read";
    }
}

vocab::Outcome StationSafetyOutcome(const char* workDir, const char* dataDirectory) {
    const std::vector<StationFinding> findings = CheckStationSafety(workDir, dataDirectory);
    if (findings.empty()) return {};
    return vocab::Outcome::Refused(findings.front().path,
                                   StationFindingReason(findings.front().entry.safety));
}

}  // namespace update
