#include "app/talcheck_window.h"

#include <cstring>
#include <memory>
#include <utility>

#include "app/run_guard.h"
#include "installation/install_package.h"
#include "net/download.h"
#include "net/folder_listing.h"
#include "net/part_file.h"
#include "net/folder_result.h"
#include "platform/file_version.h"
#include "platform/path_safety.h"
#include "platform/system.h"
#include "signature/package_check.h"
#include "signature/package_keys.h"
#include "update/installer_url.h"
#include "update/run_events.h"
#include "update/run_log.h"
#include "update/station_safety.h"
#include "update/update_run.h"
#include "update/version.h"

namespace {

// The kept part under a package's name, or the refusal of one that is not
// the program's own.
update::PartFound FindPart(const char* fileUrl, const char* fileName) {
    net::PartFinding found = net::FindKeptPart(fileUrl, fileName);
    update::PartFound part{found.kept, update::Outcome()};
    if (!found.refusedFile.empty())
        part.refusal = update::Outcome::Refused(found.refusedFile, found.reason);
    return part;
}

// The run's signature checks, one per package, each made when its download
// starts: inside the guarded run, so that a failure to make one (an
// allocation failure) ends the run with "END" as a failure of any other step
// does. The package checked is always the one downloaded last.
class RunPackageCheck {
public:
    sig::PackageCheck& Begin() {
        if (!keys_) keys_ = std::make_unique<sig::PackageKeys>(sig::CompiledPackageKeys());
        check_ = std::make_unique<sig::PackageCheck>(*keys_);
        return *check_;
    }
    sig::PackageCheck& Current() { return *check_; }

private:
    std::unique_ptr<sig::PackageKeys> keys_;
    std::unique_ptr<sig::PackageCheck> check_;
};

}  // namespace

const fw::TResponseTableEntry TalCheckWindow::ResponseTable[] = {
    {UM_START_UPDATE,
     &fw::I32_WPARAM_LPARAM_Dispatch<TalCheckWindow, &TalCheckWindow::EvStartUpdate>},
    {0, nullptr},
};

TalCheckWindow::TalCheckWindow(const char* caption)
    : TFrameWindow(nullptr, caption, nullptr, false, nullptr) {
    // No system menu, thick frame or boxes by default; InitMainWindow sets
    // the whole style.
    Attr.Style &= ~0x000F0000u;
    std::memset(ComputerName, 0, sizeof ComputerName);
    // Size 14: names of up to 13 characters; a longer one leaves it empty.
    if (!plat::GetComputerName(ComputerName, 14)) {
        std::memset(ComputerName, 0, sizeof ComputerName);
    }
}

const char* TalCheckWindow::GetClassName() { return kTalCheckClass; }

void TalCheckWindow::SetupWindow() {
    TFrameWindow::SetupWindow();
    PostMessage(UM_START_UPDATE, 0, 0);
}

bool TalCheckWindow::Find(TEventInfo& info) {
    return SearchEntries(ResponseTable, info) || TFrameWindow::Find(info);
}

int32_t TalCheckWindow::EvStartUpdate(fw::TParam1, fw::TParam2) {
    // Each line stamped with ComputerName; failures, recoveries and installed
    // packages are also reported as system events.
    const update::LogWriter log = [this](const update::LogEvent& event) {
        update::WriteLog(ComputerName, event);
        update::ReportLogEvent(event);
    };
    update::UpdateServices services;
    services.writeLog = log;
    services.readFileVersion = ReadFileVersion;
    services.fetchListing = [](const char* folderUrl, std::string& listing) {
        return net::ListingOutcome(FetchFolderNames(folderUrl, listing, "."));
    };
    RunPackageCheck signatures;
    services.download = [&signatures](const char* fileUrl, const char* fileName, char* localPath) {
        net::DownloadResult result =
            net::DownloadPackage(fileUrl, fileName, localPath, signatures.Begin().Observer());
        return update::PackageDownload{net::DownloadOutcome(result), result.resumedFrom,
                                       std::move(result.file)};
    };
    services.keepsPart = FindPart;
    services.keepOnlyParts = [](const std::vector<std::string>& names) {
        net::RemoveOtherParts(".", names, update::IsLocalPackageName);
    };
    // Without compiled-in keys every package passes and nothing more is
    // fetched, as if no check were set.
    services.checkPackage = [&signatures](const char* folderUrl, const char* listedName,
                                          const char*, const plat::File& package) {
        return signatures.Current().Check(folderUrl, listedName, package);
    };
    // A run by an ordinary user can do nothing its user could not; a
    // privileged one first makes sure no ordinary user can steer it.
    if (plat::RunsPrivileged()) services.checkStation = update::StationSafetyOutcome;
    services.recover = [&log](const char* dataDirectory) {
        installation::RecoverLeftoverInstall(dataDirectory, log);
    };
    services.install = [this, &log](const char* name, const char* path, const plat::File& package,
                                    const char* dataDirectory) {
        installation::InstallPackage(name, package, path, dataDirectory, log, GetHandle());
    };
    RunUpdateGuarded(services,
                     [] { return update::InstallerBaseUrl(update::InstallerHostSetting()); });
    PostMessage(fw::kWmClose, 0, 0);
    return 1;
}
