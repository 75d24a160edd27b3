#include "update/update_run.h"

#include <cstdio>

#include "platform/path_buffer.h"
#include "platform/system.h"
#include "update/station.h"
#include "update/version.h"

namespace update {

namespace {

// The parts of packages no longer chosen go; only when a listing was had, so
// that a server out of reach costs no kept part.
void KeepOnlyChosenParts(const UpdateServices& services, bool listed,
                         const std::string& currentChoice, const std::string& newestChoice) {
    if (!services.keepOnlyParts || !listed) return;
    std::vector<std::string> names;
    for (const std::string& choice : {currentChoice, newestChoice})
        if (!choice.empty()) names.push_back(LocalPackageName(choice.c_str()));
    services.keepOnlyParts(names);
}

void InstallChoice(const UpdateServices& services, const std::string& baseUrl, const char* folder,
                   const char* listedName, const char* dataDirectory) {
    const std::string folderUrl = baseUrl + folder;
    const std::string url = folderUrl + listedName;
    const std::string localName = LocalPackageName(listedName);
    const char* choice = localName.c_str();
    // A package of that name left by an earlier run is replaced, never
    // installed in place of the new one, unless it is this package's kept part.
    const PartFound part =
        services.keepsPart ? services.keepsPart(url.c_str(), choice) : PartFound();
    if (!part.kept) std::remove(choice);
    char downloadedPath[plat::kPathSize] = {};
    vocab::Log(services.writeLog, vocab::LogKind::kStartDownload, choice);
    if (!part.refusal.ok())
        vocab::Log(services.writeLog, vocab::LogKind::kPartRefused, choice, part.refusal.Detail());
    PackageDownload download = services.download(url.c_str(), choice, downloadedPath);
    if (download.resumedFrom > 0) {
        vocab::Log(services.writeLog, vocab::LogKind::kDownloadResumed, choice,
                   "(from byte " + std::to_string(download.resumedFrom) + ")");
    }
    vocab::Log(services.writeLog, vocab::LogKind::kEndDownload, choice);
    // Installing a failed download would only add misleading lines.
    if (!download.outcome.ok()) {
        vocab::Log(services.writeLog, vocab::LogKind::kDownloadFailed, choice,
                   download.outcome.Detail());
        return;
    }
    if (services.checkPackage) {
        vocab::Outcome checked =
            services.checkPackage(folderUrl.c_str(), listedName, downloadedPath, download.package);
        if (!checked.ok()) {
            vocab::Log(services.writeLog, vocab::LogKind::kSignatureRefused, choice,
                       checked.Detail());
            return;
        }
    }
    services.install(choice, downloadedPath, download.package, dataDirectory);
}

// Whoever may change the station may steer a privileged run: it goes no further.
bool StationRefused(const UpdateServices& services, const char* workDir,
                    const char* dataDirectory) {
    if (!services.checkStation) return false;
    const vocab::Outcome safe = services.checkStation(workDir, dataDirectory);
    if (!safe.ok())
        vocab::Log(services.writeLog, vocab::LogKind::kStationUnsafe, safe.item,
                   "(" + safe.reason + ")");
    return !safe.ok();
}

// The working directory with a separator at its end. The separator is
// appended even at a root ("C:\" + "\"): a doubled separator still names
// the same file.
void GetWorkDir(char* workDir, std::size_t size) {
    plat::GetWorkingDirectory(workDir, size);
    const char separator[2] = {plat::kPathSeparator, '\0'};
    plat::AppendBounded(workDir, size, separator);
}

// The run's folder fetch: a failed request gets its line in the log.
ListingFetch LoggedFetch(const UpdateServices& services, const std::string& baseUrl) {
    return [&services, &baseUrl](const LineFolder& folder, std::string& listing) {
        vocab::Outcome fetched = services.fetchListing((baseUrl + folder.path).c_str(), listing);
        if (!fetched.ok())
            vocab::Log(services.writeLog, vocab::LogKind::kFolderFailed, folder.line,
                       fetched.Detail());
    };
}

}  // namespace

ProbeResult ProbeFollowingLines(int32_t major, int32_t minor, const ListingFetch& fetch) {
    ProbeResult result;
    ProbeResult beforeNewest;  // the newest line as it was before the last accepted probe
    while (NextVersionLine(major, minor)) {
        if (result.probes == kMaxProbes) {
            result.stop = ProbeStop::kLimit;
            break;
        }
        const LineFolder folder = LineFolderOf(major, minor);
        std::string listing;
        fetch(folder, listing);
        ++result.probes;
        if (listing.empty()) {
            result.stop = ProbeStop::kNoNames;
            break;
        }
        if (result.newestFolder[0] && listing == result.newestListing) {
            beforeNewest.probes = result.probes;
            result = beforeNewest;
            result.stop = ProbeStop::kRepeat;
            break;
        }
        beforeNewest = result;
        plat::CopyBounded(result.newestFolder, sizeof result.newestFolder, folder.path);
        result.newestListing = listing;
    }
    return result;
}

void RunUpdate(const UpdateServices& services, const std::string& baseUrl) {
    vocab::Log(services.writeLog, vocab::LogKind::kStart);

    char workDir[plat::kPathSize] = {};
    GetWorkDir(workDir, sizeof workDir);

    const StationInfo station = ReadStationInfo(workDir, services.readFileVersion);
    const vocab::VersionTriple& installed = station.installed;
    const char* dataDirectory = station.dataDirectory;
    if (StationRefused(services, workDir, dataDirectory)) {
        vocab::Log(services.writeLog, vocab::LogKind::kEnd);
        return;
    }
    // Whatever the server says later, a tree left half-installed is made
    // whole first.
    if (services.recover) services.recover(dataDirectory);

    const LineFolder current = LineFolderOf(installed.major, installed.minor);
    const ListingFetch fetch = LoggedFetch(services, baseUrl);
    std::string currentListing;
    fetch(current, currentListing);
    ProbeResult newest = ProbeFollowingLines(installed.major, installed.minor, fetch);

    const std::string currentChoice = ChosenName(WalkCurrentLine(currentListing, installed));
    const std::string newestChoice = ChosenName(WalkNewestLine(newest.newestListing));
    KeepOnlyChosenParts(services, !currentListing.empty() || !newest.newestListing.empty(),
                        currentChoice, newestChoice);

    if (!currentChoice.empty())
        InstallChoice(services, baseUrl, current.path, currentChoice.c_str(), dataDirectory);
    if (!newestChoice.empty())
        InstallChoice(services, baseUrl, newest.newestFolder, newestChoice.c_str(), dataDirectory);
    vocab::Log(services.writeLog, vocab::LogKind::kEnd);
}

}  // namespace update
