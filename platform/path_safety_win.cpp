#include "platform/path_safety.h"

#include <deque>

#include "platform/path_buffer.h"
#include "platform/scoped_handle.h"
#include "platform/win.h"
#include "platform/win_handle.h"
#include "platform/win_security.h"

#include <aclapi.h>
#include <sddl.h>

namespace plat {
namespace {

constexpr int kMaxLinks = 40;
constexpr const char* kTrustedInstaller =
    "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";

// What an account can do to an entry through these rights: change or add
// to it, or (all roles) remove, rename or re-permission it or its names.
constexpr DWORD kParentRights = DELETE | FILE_DELETE_CHILD | WRITE_DAC | WRITE_OWNER | GENERIC_ALL;
constexpr DWORD kItemRights = kParentRights | FILE_WRITE_DATA | FILE_APPEND_DATA | GENERIC_WRITE;

bool IsPrivilegedSid(PSID sid) {
    for (WELL_KNOWN_SID_TYPE type :
         {WinLocalSystemSid, WinBuiltinAdministratorsSid, WinCreatorOwnerSid})
        if (::IsWellKnownSid(sid, type)) return true;
    return SidText(sid) == kTrustedInstaller;
}

// Well-known groups by their English names, whatever the system's language.
std::string NameOfSid(PSID sid) {
    const struct {
        WELL_KNOWN_SID_TYPE type;
        const char* name;
    } kNames[] = {
        {WinWorldSid, "Everyone"},          {WinAuthenticatedUserSid, "Authenticated Users"},
        {WinBuiltinUsersSid, "Users"},      {WinBuiltinGuestsSid, "Guests"},
        {WinInteractiveSid, "INTERACTIVE"}, {WinBuiltinPowerUsersSid, "Power Users"}};
    for (const auto& known : kNames)
        if (::IsWellKnownSid(sid, known.type)) return known.name;
    char name[256] = {}, domain[256] = {};
    DWORD nameSize = sizeof name, domainSize = sizeof domain;
    SID_NAME_USE use;
    if (::LookupAccountSidA(nullptr, sid, name, &nameSize, domain, &domainSize, &use))
        return domain[0] ? std::string(domain) + "\\" + name : std::string(name);
    return SidText(sid);
}

Safety Finding(Safety::Kind kind, PSID sid) { return Safety{kind, NameOfSid(sid), SidText(sid)}; }

Safety Unreadable() { return Safety{Safety::Kind::kUnreadable, "", ""}; }

// The first ACE that lets an account other than the privileged ones and self
// change the entry; null for none.
PSID FirstWriter(PACL dacl, DWORD rights, PSID self) {
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void* ace = nullptr;
        if (!::GetAce(dacl, i, &ace)) continue;
        const ACE_HEADER* header = static_cast<const ACE_HEADER*>(ace);
        if (header->AceFlags & INHERIT_ONLY_ACE) continue;
        // The callback form has the same layout; deny and audit entries grant nothing.
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE &&
            header->AceType != ACCESS_ALLOWED_CALLBACK_ACE_TYPE)
            continue;
        ACCESS_ALLOWED_ACE* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
        PSID sid = &allowed->SidStart;
        if (!(allowed->Mask & rights) || IsPrivilegedSid(sid)) continue;
        if (!self || !::EqualSid(sid, self)) return sid;
    }
    return nullptr;
}

// The length of the root of a full path: "C:\" or "\\server\share\".
std::size_t RootLength(const std::string& path) {
    if (path.size() >= 3 && path[1] == ':' && path[2] == '\\') return 3;
    if (path.rfind("\\\\", 0) != 0) return 0;
    std::size_t server = path.find('\\', 2);
    std::size_t share = server == std::string::npos ? server : path.find('\\', server + 1);
    return share == std::string::npos ? path.size() : share + 1;
}

void PushNames(const std::string& path, std::size_t from, std::deque<std::string>& names) {
    std::deque<std::string> parts;
    for (std::size_t start = from; start < path.size();) {
        std::size_t end = path.find('\\', start);
        if (end == std::string::npos) end = path.size();
        if (end > start) parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    names.insert(names.begin(), parts.begin(), parts.end());
}

// Where a link leads, as a full path without the "\\?\" prefix.
bool FinalPath(const std::string& link, std::string& target) {
    ScopedFile file =
        Owned(::CreateFileA(link.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    char buffer[32768];
    DWORD n = file ? ::GetFinalPathNameByHandleA(Native(file), buffer, sizeof buffer,
                                                 FILE_NAME_NORMALIZED | VOLUME_NAME_DOS)
                   : 0;
    if (n == 0 || n >= sizeof buffer) return false;
    target.assign(buffer, n);
    if (target.rfind("\\\\?\\UNC\\", 0) == 0)
        target = "\\\\" + target.substr(8);
    else if (target.rfind("\\\\?\\", 0) == 0)
        target = target.substr(4);
    return RootLength(target) > 0;
}

bool IsLink(const std::string& path) {
    DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

}  // namespace

bool RunsPrivileged() {
    TokenUserBuffer user;
    return ReadTokenUser(user) && ::IsWellKnownSid(user.Sid(), WinLocalSystemSid);
}

Safety JudgeSecurity(const void* securityDescriptor, SafetyRole role, const void* self) {
    PSECURITY_DESCRIPTOR sd = const_cast<void*>(securityDescriptor);
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    if (!::GetSecurityDescriptorOwner(sd, &owner, &defaulted) || !owner) return Unreadable();
    if (!IsPrivilegedSid(owner) && !(self && ::EqualSid(owner, const_cast<void*>(self))))
        return Finding(Safety::Kind::kOwner, owner);
    BOOL present = FALSE;
    PACL dacl = nullptr;
    if (!::GetSecurityDescriptorDacl(sd, &present, &dacl, &defaulted)) return Unreadable();
    if (!present || !dacl) return Safety{Safety::Kind::kWriter, "Everyone", "S-1-1-0"};
    PSID writer = FirstWriter(dacl, role == SafetyRole::kItem ? kItemRights : kParentRights,
                              const_cast<void*>(self));
    return writer ? Finding(Safety::Kind::kWriter, writer) : Safety{};
}

Safety JudgeEntry(const char* path, SafetyRole role) {
    if (::GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) {
        DWORD error = ::GetLastError();
        bool missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
        return missing ? Safety{Safety::Kind::kMissing, "", ""} : Unreadable();
    }
    ScopedFile file = Owned(::CreateFileA(
        path, READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (!file || ::GetSecurityInfo(Native(file), SE_FILE_OBJECT,
                                   OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, nullptr,
                                   nullptr, nullptr, nullptr, &sd) != ERROR_SUCCESS)
        return Unreadable();
    ScopedLocal owned(sd);
    TokenUserBuffer user;
    return JudgeSecurity(sd, role, ReadTokenUser(user) ? user.Sid() : nullptr);
}

PathFinding JudgePath(const char* path, SafetyRole role) {
    char full[kPathSize] = {};
    DWORD n = ::GetFullPathNameA(path, sizeof full, full, nullptr);
    // Too long a path leaves the buffer unwritten: n is then the size needed.
    std::string current = n > 0 && n < sizeof full ? std::string(full, n) : std::string();
    std::size_t root = current.empty() ? 0 : RootLength(current);
    if (root == 0) return {path, Unreadable()};
    std::deque<std::string> names;
    PushNames(current, root, names);
    current.resize(root);
    Safety safety = JudgeEntry(current.c_str(), names.empty() ? role : SafetyRole::kParent);
    if (safety.kind != Safety::Kind::kSafe) return {current, safety};
    for (int links = 0; !names.empty();) {
        std::string next = current + (current.back() == '\\' ? "" : "\\") + names.front();
        names.pop_front();
        const bool link = IsLink(next);
        const SafetyRole nextRole = link            ? SafetyRole::kItem
                                    : names.empty() ? role
                                                    : SafetyRole::kParent;
        safety = JudgeEntry(next.c_str(), nextRole);
        if (safety.kind == Safety::Kind::kMissing)
            return MissingEntryFinding(current, JudgeEntry(current.c_str(), SafetyRole::kItem));
        if (safety.kind != Safety::Kind::kSafe) return {next, safety};
        if (!link) {
            current = next;
            continue;
        }
        std::string target;
        if (++links > kMaxLinks || !FinalPath(next, target)) return {next, Unreadable()};
        PushNames(target, RootLength(target), names);
        current = target.substr(0, RootLength(target));
    }
    return {};
}

std::string RepairCommand(const PathFinding& finding) {
    const std::string quoted = "\"" + finding.path + "\"";
    if (finding.safety.kind == Safety::Kind::kOwner)
        return "icacls " + quoted + " /setowner *S-1-5-32-544";
    if (finding.safety.kind != Safety::Kind::kWriter) return "";
    DWORD attributes = ::GetFileAttributesA(finding.path.c_str());
    const bool folder =
        attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
    const std::string inherit = folder ? "(OI)(CI)" : "";
    std::string command = "icacls " + quoted + " /inheritance:r";
    // Users keep reading and running; /grant:r replaces their own entry.
    if (!finding.safety.account.empty() && finding.safety.account != "S-1-5-32-545")
        command += " /remove:g *" + finding.safety.account;
    return command + " /grant:r *S-1-5-18:" + inherit + "F *S-1-5-32-544:" + inherit +
           "F *S-1-5-32-545:" + inherit + "RX";
}

}  // namespace plat
