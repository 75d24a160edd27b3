#include "testing/crash_units.h"

#include <algorithm>
#include <map>

#include "testing/crash_states.h"

namespace testing_support {

namespace {

using plat::TreeOp;

std::string Normalized(const std::string& path) {
    std::string text;
    for (const std::string& part : PathParts(path)) text += (text.empty() ? "" : "/") + part;
    // A root keeps its leading separator (POSIX) or drive (Windows).
    if (!path.empty() && (path[0] == '/' || path[0] == '\\')) text = "/" + text;
    return text;
}

void WriteAt(std::string* data, std::uint64_t offset, const std::string& bytes) {
    std::size_t at = static_cast<std::size_t>(offset);
    if (data->size() < at + bytes.size()) data->resize(at + bytes.size(), '\0');
    std::copy(bytes.begin(), bytes.end(), data->begin() + static_cast<std::ptrdiff_t>(at));
}

class UnitMaker {
public:
    UnitMaker(FsImage* image, std::string* problem) : image_(*image), problem_(*problem) {}

    void Take(const plat::TreeEvent& e);
    std::vector<Unit> units;

private:
    void Add(Unit unit) {
        ApplyUnit(unit, Fate::kKept, &image_);
        units.push_back(std::move(unit));
    }
    bool Entry(const std::string& path, int* dir, std::string* name) {
        *dir = image_.Parent(path, name);
        if (*dir < 0 && problem_.empty()) problem_ = "no directory above " + path;
        return *dir >= 0;
    }
    int Node(const std::string& path, bool created) {
        int id = created ? (created_.count(Normalized(path)) ? created_[Normalized(path)] : -1)
                         : image_.Find(path);
        if (id < 0 && problem_.empty()) problem_ = "nothing known at " + path;
        return id;
    }
    void Link(const plat::TreeEvent& e, bool directory);
    void Unlink(int dir, const std::string& name, const std::string& path);
    void Blocks(const plat::TreeEvent& e);
    void Move(const plat::TreeEvent& e);

    FsImage& image_;
    std::string& problem_;
    std::map<std::string, int> created_;  // files by the path they were created at
};

void UnitMaker::Link(const plat::TreeEvent& e, bool directory) {
    Unit unit;
    unit.kind = UnitKind::kLink;
    if (!Entry(e.path, &unit.dir, &unit.name)) return;
    unit.node = image_.size();
    image_.Reserve(unit.node);
    unit.directory = directory;
    unit.attributes = e.attributes;
    unit.what = (directory ? "make " : "create ") + e.path;
    if (!directory) created_[Normalized(e.path)] = unit.node;
    Add(std::move(unit));
}

void UnitMaker::Unlink(int dir, const std::string& name, const std::string& path) {
    auto hit = image_.node(dir).entries.find(name);
    if (hit == image_.node(dir).entries.end()) return;
    // A directory's entries go first, as a removal of the tree takes them.
    if (image_.node(hit->second).directory) {
        std::map<std::string, int> below = image_.node(hit->second).entries;
        for (const auto& entry : below) Unlink(hit->second, entry.first, path + "/" + entry.first);
    }
    Unit unit;
    unit.kind = UnitKind::kUnlink;
    unit.dir = dir;
    unit.name = name;
    unit.node = hit->second;
    unit.what = "remove " + path;
    Add(std::move(unit));
}

void UnitMaker::Blocks(const plat::TreeEvent& e) {
    int node = Node(e.path, true);
    std::uint64_t at = e.offset, end = e.offset + e.data.size();
    while (node >= 0 && at < end) {
        std::uint64_t blockEnd = std::min(end, (at / kCrashBlock + 1) * kCrashBlock);
        Unit unit;
        unit.kind = UnitKind::kBlock;
        unit.node = node;
        unit.offset = at;
        unit.data = e.data.substr(static_cast<std::size_t>(at - e.offset),
                                  static_cast<std::size_t>(blockEnd - at));
        unit.what = "write " + e.path + " @" + std::to_string(at);
        Add(std::move(unit));
        at = blockEnd;
    }
}

void UnitMaker::Move(const plat::TreeEvent& e) {
    Unit unit;
    unit.kind = UnitKind::kMove;
    unit.node = Node(e.path, false);
    unit.what = "move " + e.path + " to " + e.target;
    if (unit.node >= 0 && Entry(e.path, &unit.dir, &unit.name) &&
        Entry(e.target, &unit.toDir, &unit.toName))
        Add(std::move(unit));
}

void UnitMaker::Take(const plat::TreeEvent& e) {
    Unit unit;
    unit.what = e.path;
    switch (e.op) {
        case TreeOp::kMakeDirectory:
        case TreeOp::kCreateFile:
            return Link(e, e.op == TreeOp::kMakeDirectory);
        case TreeOp::kWrite:
            return Blocks(e);
        case TreeOp::kRemoveFile:
        case TreeOp::kRemoveEmptyDirectory:
        case TreeOp::kRemoveTree:
            if (Entry(e.path, &unit.dir, &unit.name)) Unlink(unit.dir, unit.name, e.path);
            return;
        case TreeOp::kMove:
            return Move(e);
        case TreeOp::kFlushFile:
            unit.kind = UnitKind::kFlushNode;
            unit.node = Node(e.path, true);
            break;
        case TreeOp::kFlushDirectory:
            unit.kind = UnitKind::kFlushDirectory;
            unit.node = Node(e.path, false);
            break;
        case TreeOp::kFlushFileSystem:
            unit.kind = UnitKind::kFlushAll;
            break;
        default:  // truncation, times, attributes
            unit.kind = UnitKind::kMeta;
            unit.meta = e.op;
            unit.node = Node(e.path, e.op != TreeOp::kSetAttributes);
            unit.attributes = e.attributes;
            unit.time = e.time;
            unit.offset = e.offset;
            unit.what = "change " + e.path;
            break;
    }
    if (unit.node >= 0 || unit.kind == UnitKind::kFlushAll) Add(std::move(unit));
}

}  // namespace

void ApplyUnit(const Unit& unit, Fate fate, FsImage* image) {
    image->Reserve(std::max({unit.node, unit.dir, unit.toDir}));
    FsNode& node = image->node(std::max(unit.node, 0));
    auto& entries = image->node(std::max(unit.dir, 0)).entries;
    auto at = entries.find(unit.name);
    switch (unit.kind) {
        case UnitKind::kLink:
            if (at != entries.end()) return;
            node = FsNode();
            node.directory = unit.directory;
            node.attributes = unit.attributes;
            entries[unit.name] = unit.node;
            return;
        case UnitKind::kMove: {
            auto& target = image->node(unit.toDir).entries;
            if (at == entries.end() || at->second != unit.node || target.count(unit.toName)) return;
            entries.erase(at);
            target[unit.toName] = unit.node;
            return;
        }
        case UnitKind::kUnlink:
            if (at != entries.end() && at->second == unit.node) entries.erase(at);
            return;
        case UnitKind::kBlock:
            WriteAt(&node.data, unit.offset,
                    fate == Fate::kZeroed ? std::string(unit.data.size(), '\0') : unit.data);
            return;
        case UnitKind::kMeta:
            if (unit.meta == TreeOp::kSetAttributes) node.attributes = unit.attributes;
            if (unit.meta == TreeOp::kSetTimes && unit.time != 0) node.time = unit.time;
            if (unit.meta == TreeOp::kTruncate)
                node.data.resize(static_cast<std::size_t>(unit.offset), '\0');
            return;
        default:
            return;
    }
}

std::vector<Unit> MakeUnits(const std::vector<plat::TreeEvent>& events, const std::string& root,
                            FsImage* image, std::string* problem) {
    UnitMaker maker(image, problem);
    for (const plat::TreeEvent& e : events)
        if (Normalized(e.root) == Normalized(root)) maker.Take(e);
    return std::move(maker.units);
}

FsImage Replay(const FsImage& before, const std::vector<plat::TreeEvent>& events,
               const std::string& root) {
    FsImage image = before;
    std::string problem;
    MakeUnits(events, root, &image, &problem);
    return image;
}

}  // namespace testing_support
