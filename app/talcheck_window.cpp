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
#include "platform/system.h"
#include "signature/package_check.h"
#include "signature/package_keys.h"
#include "update/installer_url.h"
#include "update/run_events.h"
#include "update/run_log.h"
#include "update/update_run.h"

namespace {

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
    UpdateServices services;
    services.writeLog = [this](const char* prefix, const char* text, const char* detail,
                               bool truncate) { WriteLog(prefix, text, detail, truncate); };
    services.readFileVersion = ReadFileVersion;
    services.fetchListing = [](const char* folderUrl, std::string& listing) {
        net::FolderResult result = FetchFolderNames(folderUrl, listing, ".");
        return FolderFetch{result.outcome == net::FolderOutcome::kFailed,
                           net::DescribeFolderFailure(result)};
    };
    RunPackageCheck signatures;
    services.download = [&signatures](const char* fileUrl, const char* fileName, char* localPath) {
        net::DownloadResult result =
            net::DownloadPackage(fileUrl, fileName, localPath, signatures.Begin().Observer());
        return PackageDownload{result.complete, net::DescribeFailure(result), result.resumedFrom,
                               std::move(result.file)};
    };
    services.keepsPart = [](const char* fileUrl, const char* fileName) {
        return net::IsKeptPart(fileUrl, fileName);
    };
    services.keepOnlyParts = [](const std::vector<std::string>& names) {
        net::RemoveOtherParts(".", names);
    };
    // Without compiled-in keys every package passes and nothing more is
    // fetched, as if no check were set.
    services.checkPackage = [&signatures](const char* folderUrl, const char* listedName,
                                          const char*, const plat::File& package) {
        return signatures.Current().Check(folderUrl, listedName, package);
    };
    services.recover = [this](const char* dataDirectory) {
        RecoverLeftoverInstall(dataDirectory, [this](const char* prefix, const char* text,
                                                     const char* detail, bool truncate) {
            WriteLog(prefix, text, detail, truncate);
        });
    };
    services.install = [this](const char* name, const char* path, const plat::File& package,
                              const char* dataDirectory) {
        InstallPackage(name, package, path, dataDirectory);
    };
    RunUpdateGuarded(services, [] { return InstallerBaseUrl(InstallerHostSetting()); });
    PostMessage(fw::kWmClose, 0, 0);
    return 1;
}

void TalCheckWindow::WriteLog(const char* prefix, const char* text, const char* detail,
                              bool truncate) {
    ::WriteLog(ComputerName, prefix, text, detail, truncate);
    ReportLogLine(prefix, text, detail);
}

bool TalCheckWindow::InstallPackage(const char* packageName, const plat::File& package,
                                    const char* downloadedPath, const char* dataDirectory) {
    LogLineWriter writeLog = [this](const char* prefix, const char* text, const char* detail,
                                    bool truncate) { WriteLog(prefix, text, detail, truncate); };
    bool installed = false;
    bool prepared = ::InstallPackage(packageName, package, downloadedPath, dataDirectory, writeLog,
                                     GetHandle(), PackageLimits(), &installed);
    if (installed) ReportInstalled(packageName);
    return prepared;
}
