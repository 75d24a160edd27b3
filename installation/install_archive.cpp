#include "installation/install_archive.h"

#include <utility>
#include <vector>

#include "installation/archive.h"
#include "installation/extract.h"
#include "installation/placement.h"
#include "installation/staging.h"
#include "platform/tree.h"

namespace installation {

using vocab::Outcome;

namespace {

// Extracts every file item into the staging folder and makes the staged
// data durable before anything moves; a data fault refuses the package, a
// write fault (a full disk, ...) fails it.
Outcome StageFiles(ArchiveHandle archive, plat::Tree& tree, const Staging& staging,
                   const std::vector<PlannedItem>& plan) {
    bool eachFile = Flushing() && !plat::Tree::kFlushesFileSystem;
    for (const PlannedItem& item : plan) {
        if (item.directory()) continue;
        const char* reason = "";
        // Made with its read-only bit, so that the flush below makes the bit
        // durable with the data; a rename moves a read-only file as any other.
        plat::File file = tree.CreateNew(staging.Path(StagedName(item.index)), item.attributes);
        std::uint32_t code = StageArchiveItem(archive, item.index, file, &reason);
        if (code == ARC_OK && eachFile && !file.Flush()) {
            code = ARC_WRITE_FAILED;
            reason = "cannot be flushed";
        }
        // The disk writes this file while the next ones are unpacked, so
        // the file-system flush below finds little left to write.
        if (code == ARC_OK && Flushing() && !eachFile) file.StartWriteBack();
        if (code == ARC_OK) continue;
        return code == ARC_DATA_ERROR ? Outcome::Refused(item.name, reason)
                                      : Outcome::Failed(item.name, reason);
    }
    if (Flushing() && plat::Tree::kFlushesFileSystem && !tree.FlushFileSystem(staging.folder()))
        return Outcome::Failed("", "staged files cannot be flushed");
    return Outcome();
}

}  // namespace

Outcome InstallArchive(const plat::File& package, const std::string& installDirectory,
                       const std::string& clearName, const PackageLimits& limits) {
    ScopedArchive archive(OpenArchiveFile(package.Duplicate(), nullptr));
    if (!archive) return Outcome::Refused("", "no readable ZIP archive");
    Outcome outcome;
    std::vector<PlannedItem> plan;
    if (!CheckPackage(archive.get(), installDirectory.c_str(), limits, &plan, &outcome))
        return outcome;
    plat::Tree tree = plat::Tree::Open(installDirectory.c_str());
    if (!tree.valid()) return Outcome::Failed("install", "directory cannot be opened");
    std::vector<JournalEntry> steps;
    if (!PlanSteps(tree, plan, clearName, &steps, &outcome)) return outcome;

    Staging staging(tree);
    if (!staging.Create()) return Outcome::Failed(kStagingName, "staging folder cannot be made");
    outcome = StageFiles(archive.get(), tree, staging, plan);
    if (!outcome.ok()) {
        staging.RollBack();
        return outcome;
    }
    // Only the steps are needed from here on: the plan's memory goes first.
    std::vector<PlannedItem>().swap(plan);
    if (!TakeSteps(staging, tree, std::move(steps), &outcome)) return outcome;
    if (!staging.Commit()) return Outcome::Failed("", "the install cannot be made durable");
    return Outcome();
}

Outcome InstallArchive(const char* archivePath, const std::string& installDirectory,
                       const std::string& clearName, const PackageLimits& limits) {
    plat::File package = plat::File::OpenForRead(archivePath);
    return InstallArchive(package, installDirectory, clearName, limits);
}

}  // namespace installation
