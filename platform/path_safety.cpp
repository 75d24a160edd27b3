// The walk of JudgePath, the same on both backends: each folder from the
// root down, each link on the way and then its target.
#include "platform/path_safety.h"

#include <deque>

#include "platform/path_buffer.h"
#include "platform/path_safety_backend.h"

namespace plat {
namespace {

constexpr int kMaxLinks = 40;
constexpr char kSeparator[] = {kPathSeparator, '\0'};

// Puts the names of path after its first `from` characters in front of
// names, in order.
void PushNames(const std::string& path, std::size_t from, std::deque<std::string>& names) {
    std::deque<std::string> parts;
    for (std::size_t start = from; start < path.size();) {
        std::size_t end = path.find(kPathSeparator, start);
        if (end == std::string::npos) end = path.size();
        if (end > start && path.compare(start, end - start, ".") != 0)
            parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    names.insert(names.begin(), parts.begin(), parts.end());
}

std::string FolderOf(const std::string& path) {
    std::size_t cut = path.rfind(kPathSeparator);
    std::size_t root = RootLength(path);
    return path.substr(0, cut == std::string::npos || cut < root ? root : cut);
}

// A missing entry is as safe as the folder that would hold it (judged as an
// item): whoever may add names there may make it.
PathFinding MissingEntryFinding(const std::string& folder) {
    Safety folderSafety = JudgeEntry(folder.c_str(), SafetyRole::kItem);
    return folderSafety.kind == Safety::Kind::kSafe ? PathFinding{}
                                                    : PathFinding{folder, folderSafety};
}

}  // namespace

PathFinding JudgePath(const char* path, SafetyRole role) {
    std::string current;
    if (!FullPath(path, &current) || RootLength(current) == 0)
        return {path ? path : "", UnreadableEntry()};
    std::deque<std::string> names;
    PushNames(current, RootLength(current), names);
    current.resize(RootLength(current));
    Safety safety = JudgeEntry(current.c_str(), names.empty() ? role : SafetyRole::kParent);
    if (safety.kind != Safety::Kind::kSafe) return {current, safety};
    for (int links = 0; !names.empty();) {
        const std::string name = names.front();
        names.pop_front();
        // Every folder walked so far is a real one, so ".." is its parent.
        if (name == "..") {
            current = FolderOf(current);
            continue;
        }
        const std::string next =
            current + (current.back() == kPathSeparator ? "" : kSeparator) + name;
        const bool link = IsLink(next);  // judged as an item itself, whatever it leads to
        safety = JudgeEntry(next.c_str(), link            ? SafetyRole::kItem
                                          : names.empty() ? role
                                                          : SafetyRole::kParent);
        if (safety.kind == Safety::Kind::kMissing) return MissingEntryFinding(current);
        if (safety.kind != Safety::Kind::kSafe) return {next, safety};
        std::string target;
        if (!link) current = next;
        if (link && (++links > kMaxLinks || !LinkTarget(next, &target)))
            return {next, UnreadableEntry()};
        PushNames(target, RootLength(target), names);
        if (RootLength(target) > 0) current = target.substr(0, RootLength(target));
    }
    return {};
}

}  // namespace plat
