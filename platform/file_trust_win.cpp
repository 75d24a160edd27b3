#include "platform/file_handle.h"
#include "platform/file_trust.h"
#include "platform/scoped_handle.h"
#include "platform/win.h"
#include "platform/win_handle.h"
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

std::string RunningUserSid() {
    HANDLE raw = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &raw)) return "";
    ScopedFile token = Owned(raw);
    // TOKEN_USER with its SID; a SID takes at most 68 bytes.
    alignas(TOKEN_USER) unsigned char buffer[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    DWORD used = 0;
    if (!::GetTokenInformation(Native(token), TokenUser, buffer, sizeof buffer, &used)) return "";
    return SidText(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid);
}

}  // namespace

FileTrust JudgeOpenFile(const File& file) {
    HANDLE h = reinterpret_cast<HANDLE>(file.native());
    BY_HANDLE_FILE_INFORMATION info;
    if (!file.valid()) return FileTrust::kUnknown;
    if (::GetFileType(h) != FILE_TYPE_DISK) return FileTrust::kNotRegular;
    if (!::GetFileInformationByHandle(h, &info)) return FileTrust::kUnknown;
    WindowsFileFacts facts{info.dwFileAttributes, info.nNumberOfLinks, OwnerSid(h)};
    return JudgeWindowsFile(facts, RunningUserSid());
}

}  // namespace plat
