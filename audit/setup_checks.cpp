#include "audit/setup_checks.h"

#include <cctype>

#include "platform/path_buffer.h"
#include "update/station_safety.h"

namespace audit {
namespace {

bool EndsWithZip(const std::string& name) {
    if (name.size() < 4) return false;
    std::string end = name.substr(name.size() - 4);
    for (char& c : end) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return end == ".zip";
}

void CheckChosenName(const LineChoice& line, std::vector<Warning>& warnings) {
    if (line.listed.empty() || EndsWithZip(line.listed)) return;
    warnings.push_back(
        {"not_a_zip_name", line.folder + ": the chosen name '" + line.listed +
                               "' contains \".zip\" but does not end in it (a half-uploaded "
                               "file?); TalCheck downloads it and the install refuses it"});
}

// The refusal a privileged run would log, with the command that mends it.
void CheckStationSafety(const StationFacts& station, std::vector<Warning>& warnings) {
    const std::string workDir = station.directory + plat::kPathSeparator;
    for (const update::StationFinding& f :
         update::CheckStationSafety(workDir.c_str(), station.dataDirectory.c_str())) {
        std::string text = f.path + " (" + update::StationFindingReason(f.entry.safety) +
                           "): TalCheck run as SYSTEM or root logs STATION UNSAFE and requests "
                           "nothing";
        const std::string command = plat::RepairCommand(f.entry);
        warnings.push_back({"station_unsafe", command.empty() ? text : text + "; fix: " + command});
    }
}

}  // namespace

std::vector<Warning> CheckStationSetup(const StationFacts& station) {
    std::vector<Warning> warnings;
    if (station.versionSource == "default") {
        warnings.push_back({"default_version",
                            "neither frontend.exe nor station.ini gives a version: the default "
                            "5.10.0000 is in use"});
    }
    if (station.dataDirectory.empty()) {
        warnings.push_back({"no_data_directory",
                            "station.ini gives no DBDirectory: packages are downloaded and never "
                            "installed"});
    } else if (!station.installExists && !station.dataDirectoryWritable) {
        warnings.push_back({"install_not_creatable", station.installDirectory +
                                                         " is missing and cannot be made in '" +
                                                         station.dataDirectory + "'"});
    } else if (station.installExists && !station.installWritable) {
        warnings.push_back({"install_not_writable",
                            station.installDirectory +
                                (station.installLink ? " is a link" : " takes no new files")});
    }
    CheckStationSafety(station, warnings);
    return warnings;
}

std::vector<Warning> CheckServerSetup(const Inspection& inspection) {
    std::vector<Warning> warnings;
    const FolderRequest* current =
        inspection.requests.empty() ? nullptr : &inspection.requests.front();
    if (current && current->status == 404) {
        warnings.push_back({"line_folder_missing",
                            current->folder +
                                " (the installed line's folder) answers 404: wrong host, wrong "
                                "tree root, or the line is not published"});
    } else if (current && current->reached && !current->failure.empty()) {
        // Answered, but with no listing the run can use (403, 500, a cut
        // page): the station would never update, which is no "up to date".
        warnings.push_back({"line_folder_refused",
                            current->folder + " (the installed line's folder) gives the run no " +
                                "listing: " + current->failureText});
    }
    CheckChosenName(inspection.current, warnings);
    CheckChosenName(inspection.newest, warnings);
    for (const PackageTest& p : inspection.packages) {
        if (p.signature.rfind("no signature", 0) != 0) continue;
        warnings.push_back(
            {"unsigned_package", p.localName + " has no signature file, and keys are compiled in"});
    }
    return warnings;
}

}  // namespace audit
