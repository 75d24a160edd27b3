#include "installation/placement.h"

#include <algorithm>
#include <unordered_map>
#include <utility>

#include "installation/archive_names.h"

namespace installation {

namespace {

using plat::PathKind;

std::function<bool(std::size_t)> g_stepHook;

bool Fail(vocab::Outcome* fault, const std::string& item, const char* reason) {
    *fault = vocab::Outcome::Failed(item, reason);
    return false;
}

const char* InTheWay(PathKind kind) {
    return kind == PathKind::kLink ? "symbolic link or junction in the way" : "file in the way";
}

// The name with "/" between its components and no empty or "." ones
// (tools write "./bin/x"), as the journal records it.
std::string Normalized(const std::string& name) {
    std::string result;
    ForEachComponent(name, [&result](const std::string& part) {
        if (!part.empty() && part != ".") result += (result.empty() ? "" : "/") + part;
        return true;
    });
    return result;
}

// The install tree as the steps planned so far will leave it.
class TreeModel {
public:
    TreeModel(plat::Tree& tree, const std::string& cleared) : tree_(tree), cleared_(Key(cleared)) {}

    PathKind Kind(const std::string& path) {
        std::string key = Key(path);
        auto hit = known_.find(key);
        if (hit != known_.end()) return hit->second;
        bool below = !cleared_.empty() &&
                     (key == cleared_ || key.compare(0, cleared_.size() + 1, cleared_ + "/") == 0);
        PathKind kind = below ? PathKind::kMissing : tree_.Inspect(path);
        known_.emplace(key, kind);
        return kind;
    }
    void Set(const std::string& path, PathKind kind) { known_[Key(path)] = kind; }

private:
    // Names that the file system takes for one are one key.
    static std::string Key(const std::string& path) {
        std::string key = plat::kCaseInsensitiveNames ? LowerCase(path) : path;
        std::replace(key.begin(), key.end(), '\\', '/');
        return key;
    }

    plat::Tree& tree_;
    std::string cleared_;
    std::unordered_map<std::string, PathKind> known_;
};

JournalEntry Step(char kind, const std::string& staged, const std::string& path) {
    JournalEntry step;
    step.kind = kind;
    step.staged = staged;
    step.path = path;
    return step;
}

// A move aside with what identifies the file moved: a directory tree (the
// cleared target) or a link has no stamp.
JournalEntry MoveAside(plat::Tree& tree, const std::string& staged, const std::string& path) {
    JournalEntry step = Step('B', staged, path);
    plat::FileStamp stamp;
    step.tree = !tree.Stamp(path, &stamp);
    step.size = stamp.size;
    step.check = stamp.writeTime;
    return step;
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

bool PlanDirectories(TreeModel& model, const PlannedItem& item, const std::string& name,
                     std::vector<JournalEntry>* steps, vocab::Outcome* fault) {
    auto make = [&](const std::string& dir) {
        PathKind kind = model.Kind(dir);
        if (kind == PathKind::kDirectory) return true;
        if (kind != PathKind::kMissing) return Fail(fault, dir, InTheWay(kind));
        steps->push_back(Step('D', "", dir));
        model.Set(dir, PathKind::kDirectory);
        return true;
    };
    if (!ForEachParent(name, make)) return false;
    return !item.directory() || make(name);
}

// The leaf of a file item: missing, or a file the item may replace.
bool PlanFile(plat::Tree& tree, TreeModel& model, const PlannedItem& item, const std::string& name,
              std::vector<JournalEntry>* steps, vocab::Outcome* fault) {
    PathKind kind = model.Kind(name);
    if (kind == PathKind::kDirectory) return Fail(fault, name, "directory in the way");
    if (kind != PathKind::kMissing && kind != PathKind::kFile)
        return Fail(fault, name, InTheWay(kind));
    if (kind == PathKind::kFile) {
        std::uint32_t guarded = plat::kAttrHidden | plat::kAttrSystem;
        std::uint32_t existing = tree.Attributes(name);
        if (existing != plat::kInvalidAttributes && (existing & guarded & ~item.attributes))
            return Fail(fault, name, "hidden or system file in the way");
        steps->push_back(Step('B', "b" + StagedName(item.index), name));  // stamped when taken
    }
    JournalEntry place = Step('P', StagedName(item.index), name);
    place.size = item.size;
    place.check = item.crc;
    place.attributes = item.attributes;
    steps->push_back(place);
    model.Set(name, PathKind::kFile);
    return true;
}

bool TakeStep(Staging& staging, plat::Tree& tree, const JournalEntry& step) {
    std::string staged = staging.Path(step.staged);
    switch (step.kind) {
        case 'D':
            // Made meanwhile, or the same directory under another case.
            return tree.Inspect(step.path) == PathKind::kDirectory || tree.MakeDirectory(step.path);
        case 'B':
            return tree.Inspect(step.path) == PathKind::kMissing || tree.Move(step.path, staged);
        default:
            return tree.Move(staged, step.path);
    }
}

const char* StepFailure(char kind) {
    return kind == 'D'   ? "directory cannot be created"
           : kind == 'B' ? "file in the way cannot be moved (in use?)"
                         : "cannot be moved into place";
}

}  // namespace

void SetStepHookForTesting(std::function<bool(std::size_t step)> hook) {
    g_stepHook = std::move(hook);
}

std::string StagedName(std::int32_t index) { return std::to_string(index); }

bool ClearsTarget(plat::Tree& tree, const std::string& name) {
    PathKind kind = tree.Inspect(name);
    if (kind == PathKind::kFile) return (tree.Attributes(name) & plat::kAttrReadOnly) == 0;
    return kind != PathKind::kMissing;
}

bool PlanSteps(plat::Tree& tree, const std::vector<PlannedItem>& plan, const std::string& clearName,
               std::vector<JournalEntry>* steps, vocab::Outcome* fault) {
    steps->clear();
    if (!clearName.empty() && ClearsTarget(tree, clearName))
        steps->push_back(MoveAside(tree, "target", clearName));
    TreeModel model(tree, steps->empty() ? std::string() : clearName);
    for (const PlannedItem& item : plan) {
        std::string name = Normalized(item.treeName);
        if (name.empty() && !item.name.empty() && !item.directory())
            return Fail(fault, item.name, "name not valid in its encoding");
        if (name.empty()) continue;
        if (IsReservedName(name)) return Fail(fault, name, "name of the staging folder");
        if (!PlanDirectories(model, item, name, steps, fault)) return false;
        if (!item.directory() && !PlanFile(tree, model, item, name, steps, fault)) return false;
    }
    return true;
}

bool TakeSteps(Staging& staging, plat::Tree& tree, std::vector<JournalEntry> planned,
               vocab::Outcome* fault) {
    // Stamped again: a file may have been written to while the package was staged.
    for (JournalEntry& step : planned)
        if (step.kind == 'B' && !step.tree) step = MoveAside(tree, step.staged, step.path);
    if (!staging.WriteSteps(std::move(planned))) {
        staging.RollBack();
        return Fail(fault, "", "the install journal cannot be written");
    }
    const std::vector<JournalEntry>& steps = staging.steps();
    for (std::size_t i = 0; i <= steps.size(); ++i) {
        if (g_stepHook && !g_stepHook(i)) return Fail(fault, "", "abandoned by a test");
        if (i == steps.size()) break;
        const JournalEntry& step = steps[i];
        if (!TakeStep(staging, tree, step)) {
            staging.RollBack();
            return Fail(fault, step.path, StepFailure(step.kind));
        }
    }
    return true;
}

}  // namespace installation
