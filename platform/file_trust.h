// Whether a file found under a name the program uses may be taken for one
// the program made itself. The program may run as root or SYSTEM in a
// folder that ordinary users can write, so a kept part, its record or a
// package is built on, appended to or installed only when it is
//   - a regular file on a disk, no link or reparse point, with exactly one
//     link (a second name could lead to a file outside the folder);
//   - owned by the account the program runs as: POSIX the effective uid;
//     Windows an owner SID of SYSTEM, Administrators or the running user;
//   - POSIX: without write bits for group and others. Windows rights are
//     not judged here.
// The decisions are pure functions of given facts, so both can be tested on
// either build (Wine has no real owners); the backend reads the facts of an
// open file.
#pragma once

#include <cstdint>
#include <string>

namespace plat {

class File;

enum class FileTrust {
    kTrusted,
    kMissing,         // nothing has the name
    kNotRegular,      // a link, reparse point, directory, device or FIFO
    kLinked,          // more than one link
    kForeignOwner,    // owned by another account
    kOthersMayWrite,  // group or others may write it (POSIX)
    kUnknown,         // its facts could not be read
};

// Words for the run log: "not a regular file", "has more than one link",
// "owned by another account", "writable by others", "cannot be examined";
// "" for kTrusted and kMissing.
const char* DescribeTrust(FileTrust trust);

// As stat gives them: st_mode (type and permission bits), st_nlink, st_uid.
struct PosixFileFacts {
    std::uint32_t mode = 0;
    std::uint64_t links = 0;
    std::uint32_t owner = 0;
};
FileTrust JudgePosixFile(const PosixFileFacts& facts, std::uint32_t effectiveUid);

// As GetFileInformationByHandle gives them (FILE_ATTRIBUTE_* bits,
// nNumberOfLinks), with the owner SID in its string form ("S-1-5-18").
// userSid is the running user's, in the same form.
struct WindowsFileFacts {
    std::uint32_t attributes = 0;
    std::uint64_t links = 0;
    std::string ownerSid;
};
FileTrust JudgeWindowsFile(const WindowsFileFacts& facts, const std::string& userSid);

// The facts of an open file (fstat; GetFileType, GetFileInformationByHandle
// and the owner from GetSecurityInfo), judged by this platform's rule.
// Windows needs READ_CONTROL on the handle, which read access includes.
FileTrust JudgeOpenFile(const File& file);

}  // namespace plat
