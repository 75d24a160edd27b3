#include "installation/placement.h"

#include <unordered_set>

#include "installation/archive_names.h"
#include "platform/file_system.h"

namespace {

using plat::PathKind;

bool Fail(InstallFault* fault, const std::string& item, const char* reason) {
    fault->item = item;
    fault->reason = reason;
    return false;
}

const char* InTheWay(PathKind kind) {
    return kind == PathKind::kLink ? "symbolic link or junction in the way" : "file in the way";
}

// The leaf of a file item: missing, or a file the item may replace.
const char* RefuseLeaf(const std::string& path, const PlannedItem& item) {
    PathKind kind = plat::InspectPath(path.c_str());
    if (kind == PathKind::kMissing) return nullptr;
    if (item.directory()) return kind == PathKind::kDirectory ? nullptr : InTheWay(kind);
    if (kind == PathKind::kDirectory) return "directory in the way";
    if (kind != PathKind::kFile) return InTheWay(kind);
    std::uint32_t existing = plat::ReadAttributes(path.c_str());
    if (existing & plat::kAttrReadOnly) return "read-only file in the way";
    std::uint32_t guarded = plat::kAttrHidden | plat::kAttrSystem;
    if (existing & guarded & ~item.attributes) return "hidden or system file in the way";
    return nullptr;
}

// Each directory above the item's leaf, top down (with its separator cut).
template <typename Visit>
bool ForEachParent(const std::string& name, Visit visit) {
    for (std::size_t i = 1; i < name.size(); ++i) {
        if (IsSeparator(name[i]) && !IsSeparator(name[i - 1]) && !visit(name.substr(0, i)))
            return false;
    }
    return true;
}

// Creates the missing directories of name (its parents, and name itself for
// a directory item), recording each before it is made.
bool MakeDirectories(Staging& staging, const PlannedItem& item, InstallFault* fault) {
    std::string full = item.name;
    while (!full.empty() && IsSeparator(full.back())) full.pop_back();
    auto make = [&](const std::string& dir) {
        std::string path = staging.Target(dir);
        PathKind kind = plat::InspectPath(path.c_str());
        if (kind == PathKind::kDirectory) return true;
        if (kind != PathKind::kMissing) return Fail(fault, dir, InTheWay(kind));
        if (!staging.Record('D', "", dir) || !plat::CreateDirectoryLevel(path.c_str()))
            return Fail(fault, dir, "directory cannot be created");
        return true;
    };
    if (!ForEachParent(full, make)) return false;
    return !item.directory() || full.empty() || make(full);
}

bool MoveAside(Staging& staging, const std::string& name, const std::string& staged,
               InstallFault* fault) {
    std::string target = staging.Target(name);
    if (!staging.Record('B', staged, name) ||
        !plat::MovePath(target.c_str(), staging.Path(staged).c_str()))
        return Fail(fault, name, "file in the way cannot be moved (in use?)");
    return true;
}

bool PlaceFile(Staging& staging, const PlannedItem& item, InstallFault* fault) {
    std::string target = staging.Target(item.name);
    PathKind kind = plat::InspectPath(target.c_str());
    if (kind != PathKind::kMissing && kind != PathKind::kFile)
        return Fail(fault, item.name,
                    kind == PathKind::kDirectory ? "directory in the way" : InTheWay(kind));
    if (kind == PathKind::kFile && !MoveAside(staging, item.name, BackupName(item.index), fault))
        return false;
    std::string staged = StagedName(item.index);
    if (!staging.Record('P', staged, item.name) ||
        !plat::MovePath(staging.Path(staged).c_str(), target.c_str()))
        return Fail(fault, item.name, "cannot be moved into place");
    // Staged files are writable so that a roll-back can always move them.
    if (item.attributes & plat::kAttrReadOnly) plat::SetAttributes(target.c_str(), item.attributes);
    return true;
}

// The target of the install step: cleared, unless it is a read-only file,
// which the platform would not delete either.
bool ClearTarget(Staging& staging, const std::string& name, InstallFault* fault) {
    if (name.empty()) return true;
    std::string path = staging.Target(name);
    PathKind kind = plat::InspectPath(path.c_str());
    if (kind == PathKind::kMissing) return true;
    if (kind == PathKind::kFile && (plat::ReadAttributes(path.c_str()) & plat::kAttrReadOnly))
        return true;
    return MoveAside(staging, name, "target", fault);
}

}  // namespace

std::string StagedName(std::int32_t index) { return std::to_string(index); }
std::string BackupName(std::int32_t index) { return "b" + std::to_string(index); }

bool CheckTargets(const std::string& installDirectory, const std::vector<PlannedItem>& plan,
                  InstallFault* fault) {
    std::unordered_set<std::string> directories;
    for (const PlannedItem& item : plan) {
        std::string name = item.name;
        while (!name.empty() && IsSeparator(name.back())) name.pop_back();
        if (name.empty()) continue;
        bool missing = false;
        bool ok = ForEachParent(name, [&](const std::string& dir) {
            if (missing || directories.count(dir) != 0) return true;
            PathKind kind = plat::InspectPath((installDirectory + "/" + dir).c_str());
            if (kind == PathKind::kMissing) missing = true;
            if (kind == PathKind::kDirectory) directories.insert(dir);
            return kind == PathKind::kMissing || kind == PathKind::kDirectory ||
                   Fail(fault, dir, InTheWay(kind));
        });
        if (!ok) return false;
        if (missing) continue;
        if (const char* reason = RefuseLeaf(installDirectory + "/" + name, item))
            return Fail(fault, name, reason);
    }
    return true;
}

bool PlaceItems(Staging& staging, const std::vector<PlannedItem>& plan,
                const std::string& clearName, InstallFault* fault) {
    bool placed = ClearTarget(staging, clearName, fault);
    for (std::size_t i = 0; placed && i < plan.size(); ++i) {
        const PlannedItem& item = plan[i];
        placed = MakeDirectories(staging, item, fault) &&
                 (item.directory() || PlaceFile(staging, item, fault));
    }
    if (placed) return true;
    staging.RollBack();
    return false;
}
