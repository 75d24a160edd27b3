#include "testing/crash_states.h"

#include <algorithm>
#include <set>

#include "testing/crash_units.h"

namespace testing_support {

namespace {

using Set = std::vector<char>;  // one flag per unit

bool HasEntryIn(const Unit& u, int dir) {
    bool entry =
        u.kind == UnitKind::kLink || u.kind == UnitKind::kMove || u.kind == UnitKind::kUnlink;
    return entry && (u.dir == dir || u.toDir == dir);
}

bool SameEntry(const Unit& a, const Unit& b) {
    auto has = [](const Unit& u, int dir, const std::string& name) {
        return (u.dir == dir && u.name == name) || (u.toDir == dir && u.toName == name);
    };
    return has(b, a.dir, a.name) || (a.kind == UnitKind::kMove && has(b, a.toDir, a.toName));
}

// Whether later must keep earlier with it (earlier comes first).
bool DependsOn(const Unit& later, const Unit& earlier) {
    if (later.kind == UnitKind::kBlock || later.barrier() || earlier.barrier()) return false;
    if (earlier.kind == UnitKind::kBlock) return false;
    if (later.kind == UnitKind::kMeta || earlier.kind == UnitKind::kMeta)
        return later.kind == earlier.kind && later.node == earlier.node;
    if (later.node == earlier.node || SameEntry(later, earlier)) return true;
    // The directory an entry goes into must have been made.
    bool makes = earlier.kind == UnitKind::kLink && earlier.directory;
    if (makes && (later.dir == earlier.node || later.toDir == earlier.node)) return true;
    return later.kind == UnitKind::kUnlink && HasEntryIn(earlier, later.node);
}

bool Covers(const Unit& flush, const Unit& u) {
    switch (flush.kind) {
        case UnitKind::kFlushAll:
            return true;
        case UnitKind::kFlushNode:
            return (u.kind == UnitKind::kBlock || u.kind == UnitKind::kMeta) &&
                   u.node == flush.node;
        case UnitKind::kFlushDirectory:
            return HasEntryIn(u, flush.node);
        default:
            return false;
    }
}

class Enumerator {
public:
    Enumerator(const FsImage& before, std::vector<Unit> units)
        : before_(before), units_(std::move(units)), below_(units_.size()) {
        // below_[j][i]: j keeps i with it, directly or through others.
        for (std::size_t j = 0; j < units_.size(); ++j) {
            below_[j].assign(units_.size(), 0);
            for (std::size_t i = 0; i < j; ++i) {
                if (!DependsOn(units_[j], units_[i])) continue;
                below_[j][i] = 1;
                for (std::size_t k = 0; k < i; ++k) below_[j][k] |= below_[i][k];
            }
        }
    }

    void CrashPoint(std::size_t end);
    std::vector<CrashState> found;

private:
    void Add(std::size_t end, const Set& kept, std::size_t zeroed, const std::string& choice);

    const FsImage& before_;
    std::vector<Unit> units_;
    std::vector<Set> below_;
    std::set<std::string> seen_;
};

void Enumerator::Add(std::size_t end, const Set& kept, std::size_t zeroed,
                     const std::string& choice) {
    FsImage image = before_;
    for (std::size_t i = 0; i < end; ++i)
        if (kept[i]) ApplyUnit(units_[i], i == zeroed ? Fate::kZeroed : Fate::kKept, &image);
    if (!seen_.insert(image.Describe()).second) return;
    std::string point = end < units_.size() ? "before " + units_[end].what : "at the end";
    found.push_back(CrashState{point + ": " + choice, std::move(image)});
}

void Enumerator::CrashPoint(std::size_t end) {
    Set durable(units_.size(), 0), pending(units_.size(), 0);
    for (std::size_t b = 0; b < end; ++b) {
        if (!units_[b].barrier()) continue;
        for (std::size_t i = 0; i < b; ++i) {
            if (durable[i] || !Covers(units_[b], units_[i])) continue;
            durable[i] = 1;
            for (std::size_t k = 0; k < i; ++k) durable[k] |= below_[i][k];
        }
    }
    Set all = durable;
    for (std::size_t i = 0; i < end; ++i) {
        pending[i] = !durable[i] && !units_[i].barrier();
        all[i] |= pending[i];
    }
    std::size_t none = units_.size();
    Add(end, all, none, "all");
    Add(end, durable, none, "none");
    for (std::size_t j = 0; j < end; ++j) {
        if (!pending[j]) continue;
        Set only = durable, allBut = all;
        only[j] = 1;
        allBut[j] = 0;
        for (std::size_t i = 0; i < end; ++i) {
            only[i] |= pending[i] && below_[j][i];
            if (pending[i] && i > j && below_[i][j]) allBut[i] = 0;
        }
        Add(end, only, none, "only " + units_[j].what);
        Add(end, allBut, none, "all but " + units_[j].what);
        if (units_[j].kind == UnitKind::kBlock) Add(end, all, j, "zeros for " + units_[j].what);
    }
}

}  // namespace

CrashStates EnumerateCrashStates(const FsImage& before, const std::vector<plat::TreeEvent>& events,
                                 const std::string& root, std::size_t limit,
                                 std::size_t firstPoint) {
    CrashStates result;
    FsImage image = before;
    std::vector<Unit> units = MakeUnits(events, root, &image, &result.problem);
    result.units = units.size();
    Enumerator enumerator(before, std::move(units));
    for (std::size_t end = std::min(firstPoint, result.units); end <= result.units; ++end)
        enumerator.CrashPoint(end);
    std::vector<CrashState>& found = enumerator.found;
    result.distinct = found.size();
    // Thinned evenly, so every stretch of the recording keeps its share.
    for (std::size_t i = 0; i < limit && i < found.size(); ++i)
        result.states.push_back(std::move(found[i * found.size() / std::min(limit, found.size())]));
    return result;
}

}  // namespace testing_support
