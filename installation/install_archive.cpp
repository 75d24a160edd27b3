#include "installation/install_archive.h"

#include <vector>

#include "installation/archive.h"
#include "installation/extract.h"
#include "installation/placement.h"
#include "installation/staging.h"

namespace {

struct ArchiveCloser {
    ArchiveHandle handle;
    ~ArchiveCloser() { CloseArchive(handle); }
};

// Extracts every file item into the staging folder; a data fault refuses
// the package, a write fault (a full disk, ...) fails it.
InstallOutcome StageFiles(ArchiveHandle archive, Staging& staging,
                          const std::vector<PlannedItem>& plan, InstallFault* fault) {
    for (const PlannedItem& item : plan) {
        if (item.directory()) continue;
        const char* reason = "";
        std::string path = staging.Path(StagedName(item.index));
        std::uint32_t code = StageArchiveItem(archive, item.index, path.c_str(),
                                              item.attributes & ~plat::kAttrReadOnly, &reason);
        if (code == ARC_OK) continue;
        fault->item = item.name;
        fault->reason = reason;
        return code == ARC_DATA_ERROR ? InstallOutcome::kRefused : InstallOutcome::kFailed;
    }
    return InstallOutcome::kInstalled;
}

}  // namespace

InstallOutcome InstallArchive(const plat::File& package, const std::string& installDirectory,
                              const std::string& clearName, const PackageLimits& limits,
                              InstallFault* fault) {
    RecoverStaging(installDirectory);
    ArchiveCloser archive{OpenArchiveFile(package.Duplicate(), nullptr)};
    if (archive.handle == nullptr) {
        *fault = InstallFault{"", "no readable ZIP archive"};
        return InstallOutcome::kRefused;
    }
    std::vector<PlannedItem> plan;
    if (!CheckPackage(archive.handle, installDirectory.c_str(), limits, &plan, fault))
        return InstallOutcome::kRefused;
    if (!CheckTargets(installDirectory, plan, fault)) return InstallOutcome::kFailed;

    Staging staging(installDirectory);
    if (!staging.Create()) {
        *fault = InstallFault{kStagingName, "staging folder cannot be made"};
        return InstallOutcome::kFailed;
    }
    InstallOutcome outcome = StageFiles(archive.handle, staging, plan, fault);
    if (outcome != InstallOutcome::kInstalled) {
        staging.RollBack();
        return outcome;
    }
    if (!PlaceItems(staging, plan, clearName, fault)) return InstallOutcome::kFailed;
    staging.Finish();
    return InstallOutcome::kInstalled;
}

InstallOutcome InstallArchive(const char* archivePath, const std::string& installDirectory,
                              const std::string& clearName, const PackageLimits& limits,
                              InstallFault* fault) {
    plat::File package = plat::File::OpenForRead(archivePath);
    return InstallArchive(package, installDirectory, clearName, limits, fault);
}
