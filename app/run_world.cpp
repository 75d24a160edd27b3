#include "app/run_world.h"

#include <memory>
#include <utility>

#include "installation/install_package.h"
#include "net/download.h"
#include "net/folder_listing.h"
#include "net/folder_result.h"
#include "net/part_file.h"
#include "platform/file_version.h"
#include "platform/path_safety.h"
#include "signature/signature_check.h"
#include "signature/package_keys.h"
#include "update/installer_url.h"
#include "update/run_events.h"
#include "update/run_log.h"
#include "update/station_safety.h"
#include "update/version.h"

namespace app {

namespace {

// One signature check per download, made when the download starts; the
// package checked is always the one downloaded last. A check exists from the
// start, so asking before any download has one to answer.
struct DownloadChecks {
    const sig::PackageKeys keys{sig::CompiledPackageKeys()};
    std::unique_ptr<sig::SignatureCheck> last = std::make_unique<sig::SignatureCheck>(keys);
};

// The kept part under a package's name, or the refusal of one that is not
// the program's own.
update::PartFound FindPart(const char* fileUrl, const char* fileName) {
    net::PartFinding found = net::FindKeptPart(fileUrl, fileName);
    update::PartFound part{found.kept, vocab::Outcome()};
    if (!found.refusedFile.empty())
        part.refusal = vocab::Outcome::Refused(found.refusedFile, found.reason);
    return part;
}

// Without compiled-in keys every package passes and nothing more is fetched,
// as if no check were set.
void AddDownloads(update::UpdateServices& services) {
    auto checks = std::make_shared<DownloadChecks>();
    services.download = [checks](const char* fileUrl, const char* fileName, char* localPath) {
        checks->last = std::make_unique<sig::SignatureCheck>(checks->keys);
        net::DownloadResult result =
            net::DownloadPackage(fileUrl, fileName, localPath, checks->last->Observer());
        return update::PackageDownload{net::DownloadOutcome(result), result.resumedFrom,
                                       std::move(result.file)};
    };
    services.checkPackage = [checks](const char* folderUrl, const char* listedName, const char*,
                                     const plat::File& package) {
        return checks->last->Check(folderUrl, listedName, package);
    };
    services.keepsPart = FindPart;
    services.keepOnlyParts = [](const std::vector<std::string>& names) {
        net::RemoveOtherParts(".", names, update::IsLocalPackageName);
    };
}

}  // namespace

RunStart MakeRunStart(const vocab::LogWriter& log, void* ownerWindow) {
    RunStart start;
    update::UpdateServices& services = start.services;
    services.writeLog = log;
    services.readFileVersion = plat::ReadFileVersion;
    services.fetchListing = [](const char* folderUrl, std::string& listing) {
        return net::ListingOutcome(net::FetchFolderNames(folderUrl, listing, "."));
    };
    AddDownloads(services);
    // A run by an ordinary user can do nothing its user could not; a
    // privileged one first makes sure no ordinary user can steer it.
    if (plat::RunsPrivileged()) services.checkStation = update::StationSafetyOutcome;
    services.recover = [log](const char* dataDirectory) {
        installation::RecoverLeftoverInstall(dataDirectory, log);
    };
    services.install = [log, ownerWindow](const char* name, const char* path,
                                          const plat::File& package, const char* dataDirectory) {
        installation::InstallPackage(name, package, path, dataDirectory, log, ownerWindow);
    };
    start.baseUrl = update::InstallerBaseUrl(update::InstallerHostSetting());
    return start;
}

void RunStationUpdate(const char* computerName, void* ownerWindow) {
    // The run log, each line stamped with computerName; failures, recoveries
    // and installed packages are also reported as system events.
    const vocab::LogWriter log = [computerName](const vocab::LogEvent& event) {
        update::WriteLog(computerName, event);
        update::ReportLogEvent(event);
    };
    // Made inside the guard: a failure to make a service (an allocation
    // failure) ends the run with "END" as a failure of any step does.
    RunUpdateGuarded(log, [&log, ownerWindow] { return MakeRunStart(log, ownerWindow); });
}

}  // namespace app
