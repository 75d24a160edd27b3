#include "platform/path_safety.h"

#include <grp.h>
#include <limits.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <deque>
#include <vector>

#include "platform/native_path_posix.h"

namespace plat {
namespace {

constexpr int kMaxLinks = 40;

// A finding about a user (group false) or group id, named as the account
// database names it ("user root", "group staff"), else "uid 1234".
Safety Finding(Safety::Kind kind, unsigned id, bool group) {
    char buffer[1024];
    struct passwd user;
    struct group grp;
    struct passwd* userFound = nullptr;
    struct group* groupFound = nullptr;
    std::string who = (group ? "gid " : "uid ") + std::to_string(id);
    if (group && ::getgrgid_r(id, &grp, buffer, sizeof buffer, &groupFound) == 0 && groupFound)
        who = std::string("group ") + groupFound->gr_name;
    if (!group && ::getpwuid_r(id, &user, buffer, sizeof buffer, &userFound) == 0 && userFound)
        who = std::string("user ") + userFound->pw_name;
    return Safety{kind, who, std::to_string(id)};
}

Safety Unreadable() { return Safety{Safety::Kind::kUnreadable, "", ""}; }

std::string Join(const std::string& folder, const std::string& name) {
    return folder == "/" ? "/" + name : folder + "/" + name;
}

std::string FolderOf(const std::string& path) {
    std::size_t slash = path.rfind('/');
    return slash == 0 || slash == std::string::npos ? "/" : path.substr(0, slash);
}

// The names of path, in order, to be walked from the root.
void PushNames(const std::string& path, std::deque<std::string>& names) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        std::string name = path.substr(start, end - start);
        if (!name.empty() && name != ".") parts.push_back(name);
        start = end + 1;
    }
    names.insert(names.begin(), parts.begin(), parts.end());
}

bool ReadLink(const std::string& path, std::string& target) {
    char buffer[PATH_MAX];
    ssize_t n = ::readlink(path.c_str(), buffer, sizeof buffer);
    if (n <= 0 || n >= static_cast<ssize_t>(sizeof buffer)) return false;
    target.assign(buffer, static_cast<std::size_t>(n));
    return true;
}

bool Absolute(const char* path, std::string& out) {
    char native[kPathSize];
    if (!ToNativePath(path, native)) return false;
    out = native;
    if (!out.empty() && out[0] == '/') return true;
    char cwd[PATH_MAX];
    if (!::getcwd(cwd, sizeof cwd)) return false;
    out = Join(cwd, out);
    return true;
}

}  // namespace

bool RunsPrivileged() { return ::geteuid() == 0; }

Safety JudgeOwnerAndMode(unsigned owner, unsigned group, unsigned mode, SafetyRole role,
                         unsigned self) {
    if (owner != 0 && owner != self) return Finding(Safety::Kind::kOwner, owner, false);
    if (S_ISLNK(mode)) return {};
    if (role == SafetyRole::kParent && S_ISDIR(mode) && (mode & S_ISVTX)) return {};
    if (mode & S_IWOTH) return Safety{Safety::Kind::kWriter, "others", ""};
    if (mode & S_IWGRP) return Finding(Safety::Kind::kWriter, group, true);
    return {};
}

Safety JudgeEntry(const char* path, SafetyRole role) {
    struct stat st;
    if (::lstat(path, &st) != 0)
        return errno == ENOENT || errno == ENOTDIR ? Safety{Safety::Kind::kMissing, "", ""}
                                                   : Unreadable();
    return JudgeOwnerAndMode(st.st_uid, st.st_gid, st.st_mode, role, ::geteuid());
}

PathFinding JudgePath(const char* path, SafetyRole role) {
    std::string absolute;
    if (!Absolute(path, absolute)) return {path, Unreadable()};
    std::deque<std::string> names;
    PushNames(absolute, names);
    std::string current = "/";
    Safety safety = JudgeEntry("/", names.empty() ? role : SafetyRole::kParent);
    if (safety.kind != Safety::Kind::kSafe) return {current, safety};
    for (int links = 0; !names.empty();) {
        std::string name = names.front();
        names.pop_front();
        // Every folder walked so far is a real one, so ".." is its parent.
        if (name == "..") {
            current = FolderOf(current);
            continue;
        }
        const std::string next = Join(current, name);
        const SafetyRole nextRole = names.empty() ? role : SafetyRole::kParent;
        safety = JudgeEntry(next.c_str(), nextRole);
        if (safety.kind == Safety::Kind::kMissing)
            return MissingEntryFinding(current, JudgeEntry(current.c_str(), SafetyRole::kItem));
        if (safety.kind != Safety::Kind::kSafe) return {next, safety};
        std::string target;
        if (!ReadLink(next, target)) {
            current = next;
            continue;
        }
        if (++links > kMaxLinks) return {next, Unreadable()};
        PushNames(target, names);
        if (target[0] == '/') current = "/";
    }
    return {};
}

std::string RepairCommand(const PathFinding& finding) {
    std::string quoted = "'";
    for (char c : finding.path) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    quoted += "'";
    struct stat st;
    bool link = ::lstat(finding.path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
    switch (finding.safety.kind) {
        case Safety::Kind::kOwner:
            return (link ? "chown -h root " : "chown root ") + quoted;
        case Safety::Kind::kWriter:
            return "chmod go-w " + quoted;
        default:
            return "";
    }
}

}  // namespace plat
