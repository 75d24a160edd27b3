// Which files found under the program's names it builds on: the POSIX and
// the Windows rule as decisions on given facts (both builds: Wine has no
// real owners), and this backend's judgement of files on disk.
#include "platform/file_trust.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "platform/file_handle.h"
#include "testing/temp_dir.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

using plat::FileTrust;

struct PosixCase {
    const char* label;
    plat::PosixFileFacts facts;
    std::uint32_t effectiveUid;
    FileTrust want;
};

TEST(FileTrust, PosixRuleOnGivenModesAndOwners) {
    const PosixCase cases[] = {
        {"root's own file", {0100644, 1, 0}, 0, FileTrust::kTrusted},
        {"a user's own read-only file", {0100400, 1, 1000}, 1000, FileTrust::kTrusted},
        {"symbolic link", {0120777, 1, 0}, 0, FileTrust::kNotRegular},
        {"fifo", {0010600, 1, 0}, 0, FileTrust::kNotRegular},
        {"directory", {0040700, 1, 0}, 0, FileTrust::kNotRegular},
        {"second hard link", {0100600, 2, 0}, 0, FileTrust::kLinked},
        {"nobody's file", {0100600, 1, 65534}, 0, FileTrust::kForeignOwner},
        {"root's file, run as a user", {0100644, 1, 0}, 1000, FileTrust::kForeignOwner},
        {"group may write", {0100660, 1, 0}, 0, FileTrust::kOthersMayWrite},
        {"others may write", {0100602, 1, 0}, 0, FileTrust::kOthersMayWrite},
    };
    for (const PosixCase& c : cases)
        EXPECT_EQ(plat::JudgePosixFile(c.facts, c.effectiveUid), c.want) << c.label;
}

TEST(FileTrust, WindowsRuleOnGivenSids) {
    const std::string user = "S-1-5-21-1004336348-1177238915-682003330-1001";
    const struct {
        plat::WindowsFileFacts facts;
        FileTrust want;
    } cases[] = {
        {{0x20, 1, "S-1-5-18"}, FileTrust::kTrusted},           // SYSTEM
        {{0x80, 1, "S-1-5-32-544"}, FileTrust::kTrusted},       // Administrators
        {{0x21, 1, user}, FileTrust::kTrusted},                 // the running user, read-only
        {{0x20, 1, "S-1-5-32-545"}, FileTrust::kForeignOwner},  // Users
        {{0x20, 1, "S-1-5-21-1004336348-1177238915-682003330-1002"}, FileTrust::kForeignOwner},
        {{0x20, 1, "S-1-5-7"}, FileTrust::kForeignOwner},  // Wine's owner of another uid's file
        {{0x20, 1, "S-1-3-0"}, FileTrust::kForeignOwner},  // CREATOR OWNER
        {{0x20, 1, ""}, FileTrust::kUnknown},
        {{0x420, 1, "S-1-5-18"}, FileTrust::kNotRegular},  // reparse point
        {{0x10, 1, "S-1-5-18"}, FileTrust::kNotRegular},   // directory
        {{0x20, 2, "S-1-5-18"}, FileTrust::kLinked},
    };
    for (const auto& c : cases)
        EXPECT_EQ(plat::JudgeWindowsFile(c.facts, user), c.want) << c.facts.ownerSid;
}

// Changes a file the program made; false where this platform cannot.
using Plant = std::function<bool(const std::string& path)>;

TEST(FileTrust, OpenPackageTrustsOnlyWhatTheProgramMade) {
    const std::pair<Plant, FileTrust> cases[] = {
        {[](const std::string&) { return true; }, FileTrust::kTrusted},
        {[](const std::string& p) {
             std::error_code ec;
             std::filesystem::create_hard_link(p, p + ".outside", ec);
             return !ec;
         },
         FileTrust::kLinked},
#ifndef _WIN32
        {[](const std::string& p) { return ::chmod(p.c_str(), 0666) == 0; },
         FileTrust::kOthersMayWrite},
        {[](const std::string& p) { return ::geteuid() == 0 && ::chown(p.c_str(), 65534, 0) == 0; },
         FileTrust::kForeignOwner},
#endif
    };
    for (const auto& [plant, want] : cases) {
        testing_support::ScopedTempDir dir;
        const std::string path = dir.Join("5.10.0023.zip");
        ASSERT_TRUE(plat::File::CreatePackage(path.c_str()).valid());
        if (!plant(path)) continue;
        FileTrust trust = FileTrust::kUnknown;
        EXPECT_EQ(plat::File::OpenPackage(path.c_str(), 16, &trust).valid(),
                  want == FileTrust::kTrusted);
        EXPECT_EQ(trust, want) << plat::DescribeTrust(want);
    }
}

}  // namespace
