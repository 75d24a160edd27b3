#include "platform/path_safety.h"

#include <grp.h>
#include <limits.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/native_path_posix.h"
#include "platform/path_safety_backend.h"

namespace plat {
namespace {

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
                                                   : UnreadableEntry();
    return JudgeOwnerAndMode(st.st_uid, st.st_gid, st.st_mode, role, ::geteuid());
}

std::size_t RootLength(const std::string& path) { return !path.empty() && path[0] == '/' ? 1 : 0; }

bool FullPath(const char* path, std::string* full) {
    char native[kPathSize];
    if (!ToNativePath(path, native)) return false;
    *full = native;
    if (!full->empty() && (*full)[0] == '/') return true;
    char cwd[PATH_MAX];
    if (!::getcwd(cwd, sizeof cwd)) return false;
    *full = std::string(cwd) + (cwd[1] == '\0' ? "" : "/") + *full;
    return true;
}

bool IsLink(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

bool LinkTarget(const std::string& link, std::string* target) {
    char buffer[PATH_MAX];
    ssize_t n = ::readlink(link.c_str(), buffer, sizeof buffer);
    if (n <= 0 || n >= static_cast<ssize_t>(sizeof buffer)) return false;
    target->assign(buffer, static_cast<std::size_t>(n));
    return true;
}

std::string RepairCommand(const PathFinding& finding) {
    std::string quoted = "'";
    for (char c : finding.path) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    quoted += "'";
    switch (finding.safety.kind) {
        case Safety::Kind::kOwner:
            return (IsLink(finding.path) ? "chown -h root " : "chown root ") + quoted;
        case Safety::Kind::kWriter:
            return "chmod go-w " + quoted;
        default:
            return "";
    }
}

}  // namespace plat
