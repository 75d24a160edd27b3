#include "audit/audit_station.h"

#include <algorithm>
#include <climits>
#include <utility>
#include <vector>

#include "audit/choice_explain.h"
#include "audit/folder_fetch.h"
#include "audit/kept_folders.h"
#include "audit/page_checks.h"
#include "audit/trial_install.h"
#include "audit/setup_checks.h"
#include "audit/station.h"
#include "update/installer_url.h"
#include "update/package_choice.h"
#include "update/update_run.h"
#include "update/version.h"

namespace audit {
namespace {

std::string Folder(int32_t major, int32_t minor) { return update::LineFolderOf(major, minor).path; }

void AddWarnings(Inspection& inspection, std::vector<Warning> more) {
    for (Warning& w : more) inspection.warnings.push_back(std::move(w));
}

// Fetches one folder, records it and its page warnings; returns its listing,
// which only the caller keeps. Once a request has gone unanswered, no more
// are made: each would wait as long again.
std::string Fetch(Inspection& inspection, const char* role, const std::string& folder) {
    if (inspection.silenced) return "";
    std::string listing;
    std::vector<Warning> warnings;
    inspection.requests.push_back(
        FetchFolder(role, folder, inspection.baseUrl + folder, &listing, &warnings));
    AddWarnings(inspection, std::move(warnings));
    inspection.silenced = !inspection.requests.back().reached;
    return listing;
}

bool HoldsPackage(const std::string& listing) {
    bool holds = false;
    update::ForEachListingEntry(listing, [&holds](const char* name) {
        vocab::VersionTriple version;
        holds = holds || update::JudgePackageName(name, version) == update::PackageName::kCandidate;
    });
    return holds;
}

// Words for why the probe stopped; the last requests of the inspection so
// far are the probes it made.
void NoteProbeStop(Inspection& inspection, update::ProbeStop stop) {
    const FolderRequest& last = inspection.requests.back();
    const std::string limit = std::to_string(update::kMaxProbes) + " folders";
    switch (stop) {
        case update::ProbeStop::kNoNextLine:
            inspection.probeStop = last.folder + " is the last line there can be";
            return;
        case update::ProbeStop::kNoNames:
            inspection.probeStop = inspection.silenced
                                       ? last.folder + " got no answer (" + last.failureText +
                                             "): no more requests were made"
                                       : last.folder + " has no names (" +
                                             (last.reached ? "status " + std::to_string(last.status)
                                                           : std::string("no answer")) +
                                             ")";
            return;
        case update::ProbeStop::kLimit:
            inspection.probeStop = "the limit of " + limit;
            inspection.warnings.push_back({"probe_limit", "probing ran into its limit of " + limit +
                                                              ": every folder has names"});
            return;
        case update::ProbeStop::kRepeat:
            break;
    }
    const FolderRequest& before = inspection.requests[inspection.requests.size() - 2];
    inspection.probeStop = last.folder + " repeats the page of " + before.folder;
    inspection.warnings.push_back(
        {"catch_all", "the server answers " + before.folder + " and " + last.folder +
                          " with the same page: it answers unknown folders with a page of its "
                          "own (catch-all), and the run takes the line before them as newest"});
}

// Looks a few lines beyond where probing stopped (the folder with
// stopListing), and at the next major's first line: a folder with packages
// there is one the run never reaches.
void LookAhead(Inspection& inspection, int32_t major, int32_t minor, int probes,
               const std::string& stopListing, int lines) {
    for (int i = 0; i < probes; ++i)
        update::NextVersionLine(major, minor);  // where probing stopped
    const std::string stopFolder = inspection.requests.back().folder;
    const int32_t stopMajor = major;
    std::vector<std::pair<int32_t, int32_t>> lookAt;
    for (int i = 0; i < lines && update::NextVersionLine(major, minor); ++i)
        lookAt.emplace_back(major, minor);
    if (major == stopMajor && stopMajor < INT32_MAX) lookAt.emplace_back(stopMajor + 1, 0);
    for (const auto& [a, b] : lookAt) {
        std::string folder = Folder(a, b);
        std::string listing = Fetch(inspection, "lookahead", folder);
        if (listing.empty() || listing == stopListing) continue;
        if (!HoldsPackage(listing)) continue;
        inspection.warnings.push_back(
            {"gap", folder + " holds packages, but probing stops at " + stopFolder +
                        ": stations never reach it (publish the missing line folder)"});
    }
}

LineChoice Explain(const Inspection& inspection, const std::string& folder,
                   const update::ChoiceWalk& walk) {
    LineChoice choice;
    choice.folder = folder;
    choice.candidates = ExplainWalk(walk, kMaxCandidatesKept);
    choice.candidateCount = walk.entries.size();
    if (walk.chosen == update::kNoEntry) return choice;
    choice.listed = walk.entries[walk.chosen].name;
    choice.url = inspection.baseUrl + folder + choice.listed;
    choice.localName = update::LocalPackageName(choice.listed.c_str());
    return choice;
}

// The station's own facts and warnings, and the server its run would ask.
Inspection InspectStationFiles(const StationOptions& options) {
    Inspection inspection;
    inspection.station = ReadStation(options.directory);
    inspection.warnings = CheckStationSetup(inspection.station);
    AddWarnings(inspection, KeptFolderWarnings(inspection.station.installDirectory));
    inspection.host = options.host;
    inspection.baseUrl = update::InstallerBaseUrl(options.host);
    return inspection;
}

// Probes the lines after the installed one as the run does, says why the
// probe stopped and, unless the limit stopped it, looks beyond.
update::ProbeResult ProbeLikeTheRun(Inspection& inspection, int lookahead) {
    const vocab::VersionTriple installed = inspection.station.installed;
    std::string lastProbeListing;  // where probing stopped, for the look ahead
    update::ProbeResult newest =
        update::ProbeFollowingLines(installed.major, installed.minor,
                                    [&](const update::LineFolder& folder, std::string& listing) {
                                        lastProbeListing = Fetch(inspection, "probe", folder.path);
                                        listing += lastProbeListing;
                                    });
    if (newest.probes == 0) return newest;
    NoteProbeStop(inspection, newest.stop);
    if (newest.stop != update::ProbeStop::kLimit && !inspection.silenced) {
        LookAhead(inspection, installed.major, installed.minor, newest.probes, lastProbeListing,
                  lookahead);
    }
    return newest;
}

void TestChosenPackages(Inspection& inspection, const char* packageKeys) {
    for (const LineChoice* line : {&inspection.current, &inspection.newest}) {
        if (line->listed.empty()) continue;
        inspection.packages.push_back(DownloadAndTest(inspection.baseUrl + line->folder,
                                                      line->listed, line->localName, packageKeys));
    }
}

}  // namespace

Inspection InspectStation(const StationOptions& options) {
    Inspection inspection = InspectStationFiles(options);
    const vocab::VersionTriple installed = inspection.station.installed;
    const std::string currentFolder = Folder(installed.major, installed.minor);
    const std::string currentListing = Fetch(inspection, "current", currentFolder);
    const update::ProbeResult newest = ProbeLikeTheRun(inspection, options.lookahead);
    inspection.current =
        Explain(inspection, currentFolder, update::WalkCurrentLine(currentListing, installed));
    inspection.newest =
        Explain(inspection, newest.newestFolder, update::WalkNewestLine(newest.newestListing));
    inspection.unreachable = std::none_of(inspection.requests.begin(), inspection.requests.end(),
                                          [](const FolderRequest& r) { return r.reached; });
    if (options.download) TestChosenPackages(inspection, options.packageKeys);
    AddWarnings(inspection, CheckServerSetup(inspection));
    return inspection;
}

int ExitCodeFor(const Inspection& inspection) {
    if (inspection.unreachable) return kExitUnreachable;
    bool failed = false;
    for (const PackageTest& p : inspection.packages) failed = failed || !p.passed;
    if (failed || !inspection.warnings.empty()) return kExitProblems;
    if (!inspection.current.listed.empty() || !inspection.newest.listed.empty())
        return kExitUpdateAvailable;
    return kExitUpToDate;
}

}  // namespace audit
