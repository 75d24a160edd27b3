// The decisions with given owners and permissions, since Wine has no real
// owners: security descriptors from SDDL on Windows, lstat facts on POSIX.
#include "platform/path_safety.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include "platform/win.h"

#include <sddl.h>
#else
#include <sys/stat.h>
#endif

namespace {

using Kind = plat::Safety::Kind;
using plat::SafetyRole;

struct SafetyCase {
    const char* name;
#ifdef _WIN32
    const wchar_t* sddl;
#else
    unsigned owner, group, mode;
#endif
    SafetyRole role;
    Kind kind;
    const char* who;
};

class SafetyTest : public ::testing::TestWithParam<SafetyCase> {};

TEST_P(SafetyTest, OnlyPrivilegedAccountsMayChangeTheEntry) {
    const SafetyCase& c = GetParam();
#ifdef _WIN32
    PSECURITY_DESCRIPTOR sd = nullptr;
    ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(c.sddl, SDDL_REVISION_1, &sd,
                                                                       nullptr));
    PSID self = nullptr;
    ASSERT_TRUE(::ConvertStringSidToSidW(L"S-1-5-21-1-2-3-1001", &self));
    plat::Safety safety = plat::JudgeSecurity(sd, c.role, self);
    ::LocalFree(self);
    ::LocalFree(sd);
#else
    plat::Safety safety = plat::JudgeOwnerAndMode(c.owner, c.group, c.mode, c.role, 1001);
#endif
    EXPECT_EQ(safety.kind, c.kind);
    EXPECT_EQ(safety.who, c.who);
}

std::string CaseName(const ::testing::TestParamInfo<SafetyCase>& info) { return info.param.name; }

using C = SafetyCase;
constexpr SafetyRole kItem = SafetyRole::kItem;
constexpr SafetyRole kParent = SafetyRole::kParent;

#ifdef _WIN32
// The default rights of C:\ and of a folder made below it; TrustedInstaller owns C:\.
#define ADMINS L"(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)"
#define DRIVE_ROOT                                                        \
    L"O:S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464D:" \
    L"PAI" ADMINS L"(A;OICIIO;SDGXGWGR;;;AU)(A;;0x4;;;AU)"
#define UNDER_DRIVE L"O:BAD:AI(A;OICIID;FA;;;SY)(A;OICIID;FA;;;BA)(A;OICIID;0x1200a9;;;BU)"
#define USERS_ADD UNDER_DRIVE L"(A;CIID;0x4;;;BU)(A;CIID;0x2;;;BU)"
INSTANTIATE_TEST_SUITE_P(
    Sddl, SafetyTest,
    ::testing::Values(
        C{"AdministratorsOnly", L"O:BAD:P" ADMINS, kItem, Kind::kSafe, ""},
        C{"CreatorOwner", L"O:SYD:P" ADMINS L"(A;OICIIO;FA;;;CO)(A;;FA;;;CO)", kItem, Kind::kSafe,
          ""},
        C{"InheritedModify", UNDER_DRIVE L"(A;OICIID;0x1301bf;;;AU)", kParent, Kind::kWriter,
          "Authenticated Users"},
        C{"InheritedUsersAddAsItem", USERS_ADD, kItem, Kind::kWriter, "Users"},
        C{"InheritedUsersAddAsParent", USERS_ADD, kParent, Kind::kSafe, ""},
        C{"DriveRootAsParent", DRIVE_ROOT, kParent, Kind::kSafe, ""},
        C{"DriveRootAsItem", DRIVE_ROOT, kItem, Kind::kWriter, "Authenticated Users"},
        C{"OwnedByUsers", L"O:BUD:P" ADMINS, kParent, Kind::kOwner, "Users"},
        C{"OwnedBySelf", L"O:S-1-5-21-1-2-3-1001D:P" ADMINS, kItem, Kind::kSafe, ""},
        // No DACL lets everyone in. (Wine reads "D:NO_ACCESS_CONTROL" as an empty one.)
        C{"NoDacl", L"O:SY", kParent, Kind::kWriter, "Everyone"},
        C{"GenericWriteAsItem", L"O:SYD:(A;;GW;;;WD)", kItem, Kind::kWriter, "Everyone"},
        C{"GenericWriteAsParent", L"O:SYD:(A;;GW;;;WD)", kParent, Kind::kSafe, ""},
        C{"DeleteChild", L"O:SYD:(A;;0x40;;;IU)", kParent, Kind::kWriter, "INTERACTIVE"},
        C{"DenyGrantsNothing", L"O:SYD:(D;;FA;;;BU)", kItem, Kind::kSafe, ""}),
    CaseName);
#else
constexpr unsigned kOther = 4242421;  // no such user or group
INSTANTIATE_TEST_SUITE_P(
    Modes, SafetyTest,
    ::testing::Values(
        C{"SelfsFolder", 1001, 0, S_IFDIR | 0755, kItem, Kind::kSafe, ""},
        C{"OtherOwner", kOther, 0, S_IFREG | 0600, kItem, Kind::kOwner, "uid 4242421"},
        C{"GroupWritable", 0, kOther, S_IFREG | 0664, kItem, Kind::kWriter, "gid 4242421"},
        C{"OthersWritable", 0, 0, S_IFDIR | 0757, kParent, Kind::kWriter, "others"},
        C{"StickyParent", 0, 0, S_IFDIR | 01777, kParent, Kind::kSafe, ""},
        C{"StickyItem", 0, 0, S_IFDIR | 01777, kItem, Kind::kWriter, "others"},
        C{"StickyFile", 0, 0, S_IFREG | 01666, kParent, Kind::kWriter, "others"},
        C{"LinkModeIgnored", 0, 0, S_IFLNK | 0777, kItem, Kind::kSafe, ""}),
    CaseName);
#endif

}  // namespace
