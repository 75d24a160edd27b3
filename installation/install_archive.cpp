#include "installation/install_archive.h"

#include <vector>

#include "installation/archive.h"
#include "installation/extract.h"
#include "installation/placement.h"
#include "installation/staging.h"
#include "platform/tree.h"

using installation::JournalEntry;
using installation::Staging;

namespace {

struct ArchiveCloser {
    ArchiveHandle handle;
    ~ArchiveCloser() { CloseArchive(handle); }
};

InstallOutcome Failed(InstallFault* fault, const std::string& item, const char* reason) {
    *fault = InstallFault{item, reason};
    return InstallOutcome::kFailed;
}

// Extracts every file item into the staging folder and makes the staged
// data durable before anything moves; a data fault refuses the package, a
// write fault (a full disk, ...) fails it.
InstallOutcome StageFiles(ArchiveHandle archive, plat::Tree& tree, const Staging& staging,
                          const std::vector<PlannedItem>& plan, InstallFault* fault) {
    bool eachFile = installation::Flushing() && !plat::Tree::kFlushesFileSystem;
    for (const PlannedItem& item : plan) {
        if (item.directory()) continue;
        const char* reason = "";
        plat::File file = tree.CreateNew(staging.Path(installation::StagedName(item.index)),
                                         item.attributes & ~plat::kAttrReadOnly);
        std::uint32_t code = StageArchiveItem(archive, item.index, file, &reason);
        if (code == ARC_OK && eachFile && !file.Flush()) {
            code = ARC_WRITE_FAILED;
            reason = "cannot be flushed";
        }
        if (code == ARC_OK) continue;
        *fault = InstallFault{item.name, reason};
        return code == ARC_DATA_ERROR ? InstallOutcome::kRefused : InstallOutcome::kFailed;
    }
    if (installation::Flushing() && plat::Tree::kFlushesFileSystem && !tree.FlushFileSystem(staging.folder()))
        return Failed(fault, "", "staged files cannot be flushed");
    return InstallOutcome::kInstalled;
}

}  // namespace

InstallOutcome InstallArchive(const plat::File& package, const std::string& installDirectory,
                              const std::string& clearName, const PackageLimits& limits,
                              InstallFault* fault) {
    ArchiveCloser archive{OpenArchiveFile(package.Duplicate(), nullptr)};
    if (archive.handle == nullptr) {
        *fault = InstallFault{"", "no readable ZIP archive"};
        return InstallOutcome::kRefused;
    }
    std::vector<PlannedItem> plan;
    if (!CheckPackage(archive.handle, installDirectory.c_str(), limits, &plan, fault))
        return InstallOutcome::kRefused;
    plat::Tree tree = plat::Tree::Open(installDirectory.c_str());
    if (!tree.valid()) return Failed(fault, "install", "directory cannot be opened");
    std::vector<JournalEntry> steps;
    if (!installation::PlanSteps(tree, plan, clearName, &steps, fault))
        return InstallOutcome::kFailed;

    Staging staging(tree);
    if (!staging.Create()) return Failed(fault, installation::kStagingName, "staging folder cannot be made");
    InstallOutcome outcome = StageFiles(archive.handle, tree, staging, plan, fault);
    if (outcome != InstallOutcome::kInstalled) {
        staging.RollBack();
        return outcome;
    }
    if (!installation::TakeSteps(staging, tree, steps, plan, fault)) return InstallOutcome::kFailed;
    if (!staging.Commit()) return Failed(fault, "", "the install cannot be made durable");
    return InstallOutcome::kInstalled;
}

InstallOutcome InstallArchive(const char* archivePath, const std::string& installDirectory,
                              const std::string& clearName, const PackageLimits& limits,
                              InstallFault* fault) {
    plat::File package = plat::File::OpenForRead(archivePath);
    return InstallArchive(package, installDirectory, clearName, limits, fault);
}
