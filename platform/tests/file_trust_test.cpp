// Each platform's rule on given facts, on both builds (Wine has no real owners).
#include "platform/file_trust.h"

#include <gtest/gtest.h>

namespace {

using plat::FileTrust;

TEST(FileTrust, PosixRuleOnGivenModesAndOwners) {
    const struct {
        plat::PosixFileFacts facts;
        std::uint32_t effectiveUid;
        FileTrust want;
    } cases[] = {
        {{0100644, 1, 0}, 0, FileTrust::kTrusted},
        {{0100400, 1, 1000}, 1000, FileTrust::kTrusted},  // a user's own, read-only
        {{0120777, 1, 0}, 0, FileTrust::kNotRegular},     // symbolic link
        {{0010600, 1, 0}, 0, FileTrust::kNotRegular},     // FIFO
        {{0100600, 2, 0}, 0, FileTrust::kLinked},
        {{0100600, 1, 65534}, 0, FileTrust::kForeignOwner},
        {{0100644, 1, 0}, 1000, FileTrust::kForeignOwner},  // root's, run as a user
        {{0100660, 1, 0}, 0, FileTrust::kOthersMayWrite},
        {{0100602, 1, 0}, 0, FileTrust::kOthersMayWrite},
    };
    for (const auto& c : cases)
        EXPECT_EQ(plat::JudgePosixFile(c.facts, c.effectiveUid), c.want)
            << std::oct << c.facts.mode;
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
        {{0x20, 1, "S-1-5-7"}, FileTrust::kForeignOwner},  // Wine's owner of another uid's file
        {{0x20, 1, "S-1-3-0"}, FileTrust::kForeignOwner},  // CREATOR OWNER
        {{0x20, 1, ""}, FileTrust::kUnknown},
        {{0x420, 1, "S-1-5-18"}, FileTrust::kNotRegular},  // reparse point
        {{0x20, 2, "S-1-5-18"}, FileTrust::kLinked},
    };
    for (const auto& c : cases)
        EXPECT_EQ(plat::JudgeWindowsFile(c.facts, user), c.want) << c.facts.ownerSid;
}

}  // namespace
