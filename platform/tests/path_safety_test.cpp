// The decisions with given owners and permissions, since Wine has no real
// owners: security descriptors from SDDL on Windows, lstat facts on POSIX.
#include "platform/path_safety.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include "platform/win.h"
#include <sddl.h>
#else
#include <sys/stat.h>
#include <unistd.h>

#include "testing/temp_dir.h"
#endif

namespace {

using plat::Safety;
constexpr plat::SafetyRole kItem = plat::SafetyRole::kItem;
constexpr plat::SafetyRole kParent = plat::SafetyRole::kParent;

struct C {
    const char* name;
#ifdef _WIN32
    const wchar_t* sddl;
#else
    unsigned owner, group, mode;
#endif
    plat::SafetyRole role;
    const char* verdict;  // "safe", "owner <who>" or "writer <who>"
};

class SafetyTest : public ::testing::TestWithParam<C> {};

TEST_P(SafetyTest, OnlyPrivilegedAccountsMayChangeTheEntry) {
    const C& c = GetParam();
#ifdef _WIN32
    PSECURITY_DESCRIPTOR sd = nullptr;
    PSID self = nullptr;
    ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(c.sddl, SDDL_REVISION_1, &sd,
                                                                       nullptr) &&
                ::ConvertStringSidToSidW(L"S-1-5-21-1-2-3-1001", &self));
    Safety safety = plat::JudgeSecurity(sd, c.role, self);
    ::LocalFree(self);
    ::LocalFree(sd);
#else
    Safety safety = plat::JudgeOwnerAndMode(c.owner, c.group, c.mode, c.role, 1001);
#endif
    const char* kKinds[] = {"safe", "missing ", "owner ", "writer ", "unreadable "};
    EXPECT_EQ(kKinds[static_cast<int>(safety.kind)] + safety.who, c.verdict);
}

std::string CaseName(const ::testing::TestParamInfo<C>& row) { return row.param.name; }

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
        C{"AdministratorsOnly", L"O:BAD:P" ADMINS, kItem, "safe"},
        C{"CreatorOwner", L"O:SYD:P" ADMINS L"(A;OICIIO;FA;;;CO)(A;;FA;;;CO)", kItem, "safe"},
        C{"InheritedModify", UNDER_DRIVE L"(A;OICIID;0x1301bf;;;AU)", kParent,
          "writer Authenticated Users"},
        C{"InheritedUsersAddAsItem", USERS_ADD, kItem, "writer Users"},
        C{"InheritedUsersAddAsParent", USERS_ADD, kParent, "safe"},
        C{"DriveRootAsParent", DRIVE_ROOT, kParent, "safe"},
        C{"DriveRootAsItem", DRIVE_ROOT, kItem, "writer Authenticated Users"},
        C{"OwnedByUsers", L"O:BUD:P" ADMINS, kParent, "owner Users"},
        C{"OwnedBySelf", L"O:S-1-5-21-1-2-3-1001D:P" ADMINS, kItem, "safe"},
        // No DACL lets everyone in. (Wine reads "D:NO_ACCESS_CONTROL" as an empty one.)
        C{"NoDacl", L"O:SY", kParent, "writer Everyone"},
        C{"GenericWrite", L"O:SYD:(A;;GW;;;WD)", kItem, "writer Everyone"},
        C{"DeleteChild", L"O:SYD:(A;;0x40;;;IU)", kParent, "writer INTERACTIVE"},
        C{"DenyGrantsNothing", L"O:SYD:(D;;FA;;;BU)", kItem, "safe"}),
    CaseName);
#else
INSTANTIATE_TEST_SUITE_P(
    Modes, SafetyTest,
    ::testing::Values(C{"SelfsFolder", 1001, 0, S_IFDIR | 0755, kItem, "safe"},
                      C{"OtherOwner", 4242421, 0, S_IFREG | 0600, kItem, "owner uid 4242421"},
                      C{"GroupWritable", 0, 4242421, S_IFREG | 0664, kItem, "writer gid 4242421"},
                      C{"OthersWritable", 0, 0, S_IFDIR | 0757, kParent, "writer others"},
                      C{"StickyParent", 0, 0, S_IFDIR | 01777, kParent, "safe"},
                      C{"StickyItem", 0, 0, S_IFDIR | 01777, kItem, "writer others"},
                      C{"LinkModeIgnored", 0, 0, S_IFLNK | 0777, kItem, "safe"}),
    CaseName);

// The walk of JudgePath over a real tree. POSIX only: Wine has no real owners.
struct WalkCase {
    const char* name;
    const char* judged;   // below the temporary folder
    const char* finding;  // "<path below it> <kind>", or "safe"
};

class WalkTest : public ::testing::TestWithParam<WalkCase> {};

TEST_P(WalkTest, FindsTheFirstEntryOthersMayChange) {
    testing_support::ScopedTempDir dir;
    if (plat::JudgePath(dir.path().c_str(), kItem).safety.kind != Safety::Kind::kSafe)
        GTEST_SKIP() << "others may change the folders above " << dir.path();
    for (auto [name, mode] : {std::pair{"closed", 0755}, {"open", 0777}, {"sticky", 01777}})
        ASSERT_TRUE(::mkdir(dir.Join(name).c_str(), 0) == 0 &&
                    ::chmod(dir.Join(name).c_str(), mode) == 0);
    ASSERT_TRUE(testing_support::WriteFile(dir.Join("closed/file"), "x"));
    ASSERT_EQ(::symlink("closed/../open", dir.Join("hop").c_str()), 0);
    ASSERT_EQ(::symlink("loop", dir.Join("loop").c_str()), 0);
    plat::PathFinding found = plat::JudgePath(dir.Join(GetParam().judged).c_str(), kItem);
    const char* kKinds[] = {"safe", "missing", "owner", "writer", "unreadable"};
    std::string where = found.path.empty() ? "" : found.path.substr(dir.path().size() + 1) + " ";
    EXPECT_EQ(where + kKinds[static_cast<int>(found.safety.kind)], GetParam().finding);
}

std::string WalkName(const ::testing::TestParamInfo<WalkCase>& row) { return row.param.name; }

INSTANTIATE_TEST_SUITE_P(
    Tree, WalkTest,
    ::testing::Values(WalkCase{"SafeFile", "closed/file", "safe"},
                      WalkCase{"MissingInSafeFolder", "closed/missing/deeper", "safe"},
                      WalkCase{"OpenFolderOnTheWay", "open/file", "open writer"},
                      WalkCase{"RelativeLinkWithParentStep", "hop/file", "open writer"},
                      WalkCase{"DotStepsStayPut", "./closed/./file", "safe"},
                      WalkCase{"MissingInStickyFolder", "sticky/missing", "sticky writer"},
                      WalkCase{"LinkLoop", "loop/file", "loop unreadable"}),
    WalkName);
#endif

}  // namespace
