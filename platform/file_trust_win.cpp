#include "platform/file_handle.h"
#include "platform/file_trust.h"
#include "platform/win.h"
#include "platform/win_security.h"

#include <aclapi.h>
#include <sddl.h>

namespace plat {
namespace {

std::string OwnerSid(HANDLE file) {
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetSecurityInfo(file, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr,
                          nullptr, nullptr, &descriptor) != ERROR_SUCCESS)
        return "";
    ScopedLocal owned(descriptor);
    return SidText(owner);
}

}  // namespace

FileTrust JudgeOpenFile(const File& file) {
    HANDLE h = reinterpret_cast<HANDLE>(file.native());
    BY_HANDLE_FILE_INFORMATION info;
    if (!file.valid()) return FileTrust::kUnknown;
    if (::GetFileType(h) != FILE_TYPE_DISK) return FileTrust::kNotRegular;
    if (!::GetFileInformationByHandle(h, &info)) return FileTrust::kUnknown;
    WindowsFileFacts facts{info.dwFileAttributes, info.nNumberOfLinks, OwnerSid(h)};
    TokenUserBuffer user;
    return JudgeWindowsFile(facts, SidText(ReadTokenUser(user) ? user.Sid() : nullptr));
}

}  // namespace plat
