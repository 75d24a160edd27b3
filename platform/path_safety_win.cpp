#include "platform/path_safety.h"

#include "platform/path_buffer.h"
#include "platform/path_safety_backend.h"
#include "platform/scoped_handle.h"
#include "platform/win.h"
#include "platform/win_handle.h"
#include "platform/win_security.h"

#include <aclapi.h>
#include <sddl.h>

namespace plat {
namespace {

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

}  // namespace

bool RunsPrivileged() {
    TokenUserBuffer user;
    return ReadTokenUser(user) && ::IsWellKnownSid(user.Sid(), WinLocalSystemSid);
}

Safety JudgeSecurity(const void* securityDescriptor, SafetyRole role, const void* self) {
    PSECURITY_DESCRIPTOR sd = const_cast<void*>(securityDescriptor);
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    if (!::GetSecurityDescriptorOwner(sd, &owner, &defaulted) || !owner) return UnreadableEntry();
    if (!IsPrivilegedSid(owner) && !(self && ::EqualSid(owner, const_cast<void*>(self))))
        return Finding(Safety::Kind::kOwner, owner);
    BOOL present = FALSE;
    PACL dacl = nullptr;
    if (!::GetSecurityDescriptorDacl(sd, &present, &dacl, &defaulted)) return UnreadableEntry();
    if (!present || !dacl) return Safety{Safety::Kind::kWriter, "Everyone", "S-1-1-0"};
    PSID writer = FirstWriter(dacl, role == SafetyRole::kItem ? kItemRights : kParentRights,
                              const_cast<void*>(self));
    return writer ? Finding(Safety::Kind::kWriter, writer) : Safety{};
}

Safety JudgeEntry(const char* path, SafetyRole role) {
    if (::GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES)
        return IsMissing(::GetLastError()) ? Safety{Safety::Kind::kMissing, "", ""}
                                           : UnreadableEntry();
    ScopedFile file = Owned(::CreateFileA(
        path, READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (!file || ::GetSecurityInfo(Native(file), SE_FILE_OBJECT,
                                   OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, nullptr,
                                   nullptr, nullptr, nullptr, &sd) != ERROR_SUCCESS)
        return UnreadableEntry();
    ScopedLocal owned(sd);
    TokenUserBuffer user;
    return JudgeSecurity(sd, role, ReadTokenUser(user) ? user.Sid() : nullptr);
}

bool FullPath(const char* path, std::string* full) {
    char buffer[kPathSize] = {};
    DWORD n = ::GetFullPathNameA(path, sizeof buffer, buffer, nullptr);
    // Too long a path leaves the buffer unwritten: n is then the size needed.
    if (n == 0 || n >= sizeof buffer) return false;
    full->assign(buffer, n);
    return true;
}

std::size_t RootLength(const std::string& path) {
    if (path.size() >= 3 && path[1] == ':' && path[2] == '\\') return 3;
    if (path.rfind("\\\\", 0) != 0) return 0;
    std::size_t server = path.find('\\', 2);
    std::size_t share = server == std::string::npos ? server : path.find('\\', server + 1);
    return share == std::string::npos ? path.size() : share + 1;
}

// Without the "\\?\" prefix.
bool LinkTarget(const std::string& link, std::string* target) {
    ScopedFile file =
        Owned(::CreateFileA(link.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    char buffer[32768];
    DWORD n = file ? ::GetFinalPathNameByHandleA(Native(file), buffer, sizeof buffer,
                                                 FILE_NAME_NORMALIZED | VOLUME_NAME_DOS)
                   : 0;
    if (n == 0 || n >= sizeof buffer) return false;
    target->assign(buffer, n);
    if (target->rfind("\\\\?\\UNC\\", 0) == 0)
        *target = "\\\\" + target->substr(8);
    else if (target->rfind("\\\\?\\", 0) == 0)
        *target = target->substr(4);
    return RootLength(*target) > 0;
}

bool IsLink(const std::string& path) {
    DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
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
