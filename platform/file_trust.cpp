#include "platform/file_trust.h"

namespace plat {
namespace {

// POSIX st_mode bits; their values are the same on every POSIX system.
constexpr std::uint32_t kTypeMask = 0170000;
constexpr std::uint32_t kRegular = 0100000;
constexpr std::uint32_t kGroupOrOthersWrite = 0022;

// FILE_ATTRIBUTE_DIRECTORY, _DEVICE and _REPARSE_POINT.
constexpr std::uint32_t kNotAFileAttributes = 0x10 | 0x40 | 0x400;

constexpr const char* kSystemSid = "S-1-5-18";
constexpr const char* kAdministratorsSid = "S-1-5-32-544";

}  // namespace

const char* DescribeTrust(FileTrust trust) {
    // In the order of FileTrust.
    static constexpr const char* kWords[] = {"",
                                             "",
                                             "not a regular file",
                                             "has more than one link",
                                             "owned by another account",
                                             "writable by others",
                                             "cannot be examined"};
    return kWords[static_cast<int>(trust)];
}

FileTrust JudgePosixFile(const PosixFileFacts& facts, std::uint32_t effectiveUid) {
    if ((facts.mode & kTypeMask) != kRegular) return FileTrust::kNotRegular;
    if (facts.links != 1) return FileTrust::kLinked;
    if (facts.owner != effectiveUid) return FileTrust::kForeignOwner;
    if (facts.mode & kGroupOrOthersWrite) return FileTrust::kOthersMayWrite;
    return FileTrust::kTrusted;
}

FileTrust JudgeWindowsFile(const WindowsFileFacts& facts, const std::string& userSid) {
    if (facts.attributes & kNotAFileAttributes) return FileTrust::kNotRegular;
    if (facts.links != 1) return FileTrust::kLinked;
    const std::string& owner = facts.ownerSid;
    if (owner.empty()) return FileTrust::kUnknown;
    if (owner != kSystemSid && owner != kAdministratorsSid && owner != userSid)
        return FileTrust::kForeignOwner;
    return FileTrust::kTrusted;
}

}  // namespace plat
