// Who besides the privileged accounts may change a file system entry. A run
// as root or LocalSystem reads station.ini and writes where it says; each
// entry on those paths, and every folder above one, must be changeable only
// by privileged accounts, or an ordinary user could steer the run.
//
// POSIX: an entry is safe when it is owned by root or the account judged
// for, and not writable by group or others. A link's own mode bits mean
// nothing: only its owner counts. A folder above a checked entry may be
// sticky and world-writable (/tmp): others can add names to it but not
// remove or rename the entry below, whose own owner is checked next.
// Windows: an entry is safe when its owner is SYSTEM, Administrators,
// TrustedInstaller or the account judged for, and no ACE that applies to it
// grants write, append, delete, delete-child, WRITE_DAC or WRITE_OWNER
// (also through GENERIC_WRITE or GENERIC_ALL) to an account other than
// SYSTEM, Administrators, TrustedInstaller, CREATOR OWNER or the account
// judged for. Inherit-only and deny ACEs grant nothing; a missing (null)
// DACL grants everything to Everyone. For a folder above a checked entry
// only delete, delete-child, WRITE_DAC, WRITE_OWNER and GENERIC_ALL count:
// adding names (as Authenticated Users may in C:\) does not touch the entry
// below.
#pragma once

#include <string>

namespace plat {

enum class SafetyRole {
    kItem,    // an entry the run reads or writes in: nobody else may change it or add to it
    kParent,  // a folder on the way to an item: nobody else may remove or re-permission its names
};

struct Safety {
    enum class Kind {
        kSafe,
        kMissing,     // no entry of that name
        kOwner,       // `who` owns it, and so may give itself any right
        kWriter,      // `who` may change it
        kUnreadable,  // its owner or permissions cannot be read
    };
    Kind kind = Kind::kSafe;
    std::string who;      // "user nobody", "group staff", "others"; "Users", "DOMAIN\bob"
    std::string account;  // who, for a command: "65534" (uid or gid); "S-1-5-32-545" (SID)
};

// Whether the process runs as a privileged account. POSIX: effective uid 0.
// Windows: the token's user is LocalSystem (an elevated administrator is not).
bool RunsPrivileged();

// The entry at path itself, never looked through when it is a link (POSIX
// lstat; Windows FILE_FLAG_OPEN_REPARSE_POINT), judged for the account the
// process runs as: in a privileged run root or LocalSystem. Run by another
// account (talcheck-audit by an administrator), entries that account owns
// pass as well.
Safety JudgeEntry(const char* path, SafetyRole role);

// The first entry on the way to path that is not safe, with the path it
// concerns; kSafe (and an empty path) when there is none. Every folder from
// the root down is judged as kParent, path itself as role. A link on the way
// (POSIX: a symbolic link; Windows: a symbolic link or junction) is judged
// as kItem itself, then followed (at most 40 links; more count as
// kUnreadable). A path that does not exist is judged by the folder that would
// hold it, as kItem: nobody else may make it. A relative path is taken from
// the current directory.
struct PathFinding {
    std::string path;
    Safety safety;
};
PathFinding JudgePath(const char* path, SafetyRole role);

// A command an administrator runs to mend the finding, empty when there is
// none. POSIX: "chown root '<path>'" (chown -h for a link) or
// "chmod go-w '<path>'". Windows: "icacls "<path>" /setowner *S-1-5-32-544",
// or an icacls command that ends inheritance and leaves SYSTEM and
// Administrators full control and Users read and execute.
std::string RepairCommand(const PathFinding& finding);

// The decisions themselves, with given owners and permissions.
#ifdef _WIN32
// securityDescriptor: a SECURITY_DESCRIPTOR with owner and DACL; self: the
// SID of the account judged for, whose ownership and entries pass as the
// privileged accounts' do.
Safety JudgeSecurity(const void* securityDescriptor, SafetyRole role, const void* self);
#else
// owner, group and mode as lstat gives them; self: the uid judged for.
Safety JudgeOwnerAndMode(unsigned owner, unsigned group, unsigned mode, SafetyRole role,
                         unsigned self);
#endif

}  // namespace plat
